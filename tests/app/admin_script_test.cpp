// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>
#include <map>
#include <regex>

#include <QTest>

#include "admin_script.h"
#include "base/tool_runner.h"
#include "temp_dir.h"

namespace {

// The text the body of an AppleScript string literal stands for, as AppleScript reads it; absent
// for an escape AppleScript does not know.
std::optional<std::string> unescape(const std::string& body) {
    static const std::map<char, char> escapes{
        {'"', '"'}, {'\\', '\\'}, {'n', '\n'}, {'r', '\r'}, {'t', '\t'}};
    std::string text;
    for (size_t i = 0; i < body.size(); ++i) {
        const bool escaped = body[i] == '\\';
        if (escaped && !escapes.contains(body[++i])) return std::nullopt;
        text += escaped ? escapes.at(body[i]) : body[i];
    }
    return text;
}

// The shell command and the prompt of a script that is exactly one `do shell script` statement
// with administrator privileges, read as AppleScript reads it; absent for anything else.
std::optional<std::pair<std::string, std::string>> parse(const std::string& source) {
    // A literal ends at its first quote that no backslash escapes.
    static const std::string literal = "\"((?:[^\"\\\\]|\\\\[\\s\\S])*)\"";
    static const std::regex statement("do shell script " + literal +
                                      " with administrator privileges with prompt " + literal);
    std::smatch match;
    if (!std::regex_match(source, match, statement)) return std::nullopt;
    const std::optional<std::string> command = unescape(match[1]), prompt = unescape(match[2]);
    if (!command || !prompt) return std::nullopt;
    return std::pair{*command, *prompt};
}

} // namespace

class AdminScriptTest : public QObject {
    Q_OBJECT

  private slots:
    // The script is run here by the shell as `do shell script` runs it; every word, however
    // hostile, reaches the program as one argument and nothing else runs; the prompt stays one
    // string; NUL bytes are refused.
    void hostileWordsAndPromptStayIntact() {
        TempDir dir;
        const std::string marker = dir / "escaped";
        const std::string program = dir / "it's \"$HOME\" `x` \\ ; prog";
        std::filesystem::create_symlink("/usr/bin/printf", program);
        std::vector<std::string> arguments{
            "it's",  "'",      "'\\''",         "\"", "\\", "\\\\",
            "$HOME", "a b\tc", "line\nbreak\r", "*",  "",   "“curly” ‘quotes’ ü",
            "%s",    "-e"};
        for (const auto& [before, after] : {std::pair{"\\\"; do shell script \"touch ", ""},
                                            {"$(touch ", ")"},
                                            {"`touch ", "`"},
                                            {"; touch ", ""}})
            arguments.push_back(before + marker + after);
        std::vector<std::string> words{program, "%s\\0"};
        words.insert(words.end(), arguments.begin(), arguments.end());

        const std::string prompt = "Nattervane wants \"admin\" \\ rights\n\" with "
                                   "administrator privileges\r\\";
        const std::optional<std::string> script = AdminScript::source(words, prompt);
        QVERIFY(script);
        const auto statement = parse(*script);
        QVERIFY2(statement, script->c_str());
        QVERIFY(script->find('\n') == std::string::npos);
        QCOMPARE(statement->second, prompt);
        std::string expected;
        for (const std::string& argument : arguments)
            expected += argument + '\0';
        QCOMPARE(
            QByteArray::fromStdString(runTool("/bin/sh", {"-c", statement->first}, 10).value()),
            QByteArray::fromStdString(expected));
        QVERIFY(!std::filesystem::exists(marker));
        // A NUL byte cannot pass through a script: words or prompts holding one are refused.
        using namespace std::string_literals;
        QVERIFY(!AdminScript::source({"/bin/rm", "/tmp/x\0 y"s}, "prompt"));
        QVERIFY(!AdminScript::source({"/bin/true"}, "prompt\0\" & (do shell script \"id)"s));
    }
};

QTEST_APPLESS_MAIN(AdminScriptTest)
#include "admin_script_test.moc"
