#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The application's accessibility tree, as a screen reader reads it over AT-SPI.

a11y.py dump APP OUT     writes the shown part of the tree of APP's titled windows (not the
                         toolkit's untitled balloon at the tray icon) to OUT, one element a
                         line (role, name, states), prints a summary, and exits 1 when an
                         interactive element has no name.
a11y.py menu APP OUT     in an open menu, presses Down (xdotool) through its items and writes
                         what a screen reader is told of each item it moves to (the toolkit lists
                         no popup among the application's windows); exits 1 when an item has no
                         name or none was told.
a11y.py tab-to APP REGEX presses Tab (xdotool) until the focused button or check box's name
                         matches REGEX, at most 40 times; prints that name, exits 1 when none
                         matched. (The current tab and a list's current item report
                         themselves focused too.)
a11y.py find APP REGEX   prints the screen extents "x y w h" of the first shown element whose
                         name matches REGEX, then its description; exits 1 when none does.
"""
import re
import subprocess
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

R = Atspi.Role
INTERACTIVE = {R.PUSH_BUTTON, R.TOGGLE_BUTTON, R.CHECK_BOX, R.LIST_ITEM, R.TEXT, R.ENTRY,
               R.TABLE_CELL, R.PAGE_TAB, R.COMBO_BOX, R.RADIO_BUTTON}
MENU_ITEMS = {R.MENU_ITEM, R.CHECK_MENU_ITEM, R.MENU}
# More presses than the menu has items, so that each is reached.
MENU_PRESSES = 14
# Tables and lists read only their first children: enough to see cells named, and bounded.
MOST_CHILDREN = 80


def application(name):
    for _ in range(20):
        desktop = Atspi.get_desktop(0)
        for i in range(desktop.get_child_count()):
            app = desktop.get_child_at_index(i)
            if app is not None and app.get_name() == name:
                return app
        time.sleep(0.5)
    sys.exit(f"no application {name} on the accessibility bus")


def walk(node, depth=0):
    """The shown elements under `node` with their depth."""
    try:
        states = node.get_state_set()
        if depth > 0 and not states.contains(Atspi.StateType.SHOWING):
            return
        yield node, depth, states
        count = min(node.get_child_count(), MOST_CHILDREN)
    except gi.repository.GLib.Error:
        return
    for i in range(count):
        child = node.get_child_at_index(i)
        if child is not None:
            yield from walk(child, depth + 1)


def state_names(states):
    wanted = {Atspi.StateType.FOCUSED: "focused", Atspi.StateType.SELECTED: "selected",
              Atspi.StateType.CHECKED: "checked", Atspi.StateType.FOCUSABLE: "focusable"}
    return ",".join(label for state, label in wanted.items() if states.contains(state))


def focused_names(app):
    return [node.get_name() or "" for node, _, states in walk(app)
            if states.contains(Atspi.StateType.FOCUSED)
            and node.get_role() in (R.PUSH_BUTTON, R.TOGGLE_BUTTON, R.CHECK_BOX)]


def dump(app, out):
    unnamed, roles = [], {}
    with open(out, "w", encoding="utf-8") as lines:
        windows = [app.get_child_at_index(i) for i in range(app.get_child_count())]
        nodes = (found for window in windows if window is not None and window.get_name()
                 for found in walk(window, 1))
        for node, depth, states in nodes:
            role, name = node.get_role(), node.get_name() or ""
            lines.write(f"{'  ' * depth}{node.get_role_name()}\t{name}\t{state_names(states)}\n")
            if role in INTERACTIVE:
                roles[node.get_role_name()] = roles.get(node.get_role_name(), 0) + 1
                if not name.strip():
                    unnamed.append(node.get_role_name())
    summary = ", ".join(f"{count} {role}" for role, count in sorted(roles.items()))
    print(f"{summary}; unnamed: {', '.join(unnamed) or 'none'}")
    return 1 if unnamed else 0


def menu(out):
    told = []

    def focused(event):
        if event.detail1 and event.source.get_role() in MENU_ITEMS:
            told.append((event.source.get_role_name(), event.source.get_name() or ""))

    listener = Atspi.EventListener.new(focused)
    listener.register("object:state-changed:focused")
    context = GLib.MainContext.default()
    for _ in range(MENU_PRESSES):
        subprocess.run(["xdotool", "key", "Down"], check=True)
        until = time.monotonic() + 0.25
        while time.monotonic() < until:
            context.iteration(False)
            time.sleep(0.01)
    listener.deregister("object:state-changed:focused")
    items = sorted(set(told))
    with open(out, "w", encoding="utf-8") as lines:
        lines.writelines(f"{role}\t{name}\n" for role, name in items)
    unnamed = [role for role, name in items if not name.strip()]
    print(f"{len(items)} menu items told; unnamed: {', '.join(unnamed) or 'none'}")
    return 1 if unnamed or not items else 0


def tab_to(app, pattern):
    for _ in range(40):
        subprocess.run(["xdotool", "key", "Tab"], check=True)
        time.sleep(0.15)
        for name in focused_names(app):
            if re.fullmatch(pattern, name):
                print(name)
                return 0
    print(f"last focused: {focused_names(app)}")
    return 1


def find(app, pattern):
    for node, _, _ in walk(app):
        if re.fullmatch(pattern, node.get_name() or ""):
            box = node.get_extents(Atspi.CoordType.SCREEN)
            print(box.x, box.y, box.width, box.height)
            print(node.get_description() or "")
            return 0
    return 1


def main():
    command, name = sys.argv[1], sys.argv[2]
    app = application(name)
    if command == "dump":
        return dump(app, sys.argv[3])
    if command == "tab-to":
        return tab_to(app, sys.argv[3])
    if command == "menu":
        return menu(sys.argv[3])
    if command == "find":
        return find(app, sys.argv[3])
    sys.exit(f"unknown command {command}")


if __name__ == "__main__":
    sys.exit(main())
