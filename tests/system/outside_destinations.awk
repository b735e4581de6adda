# SPDX-License-Identifier: GPL-3.0-or-later
# Reads strace output of connect, sendto, sendmsg and sendmmsg calls and prints every call that
# names an internet destination other than loopback or a DNS server of the system (port 53 of an
# address in the space-separated list -v nameservers=...). Exits 1 when it printed any.
# Unix, netlink and unspecified-family addresses are local by nature and pass.

function isLoopback(ip) {
    return ip ~ /^127\./ || ip == "::1" || ip ~ /^::ffff:127\./
}

function isNameserver(ip, port,    n, i, servers) {
    if (port != 53)
        return 0
    n = split(nameservers, servers, " ")
    for (i = 1; i <= n; i++)
        if (servers[i] == ip)
            return 1
    return 0
}

# The address and port of the first internet socket address in text, as "ip port", or "".
function destination(text,    ip, port) {
    if (match(text, /inet_addr\("[^"]*"\)/))
        ip = substr(text, RSTART + 11, RLENGTH - 13)
    else if (match(text, /inet_pton\(AF_INET6, "[^"]*"/))
        ip = substr(text, RSTART + 21, RLENGTH - 22)
    else
        return ""
    port = -1
    if (match(text, /port=htons\([0-9]+\)/))
        port = substr(text, RSTART + 11, RLENGTH - 12) + 0
    return ip " " port
}

/(connect|sendto|sendmsg|sendmmsg)\(/ {
    calls++
    rest = $0
    # sendmmsg may carry several messages, each with its own address.
    while (match(rest, /sa_family=AF_INET6?,/)) {
        rest = substr(rest, RSTART + RLENGTH)
        found = destination(rest)
        if (found == "")
            continue
        split(found, parts, " ")
        if (!isLoopback(parts[1]) && !isNameserver(parts[1], parts[2] + 0)) {
            print "outside destination " parts[1] " port " parts[2] ": " $0
            outside++
            break
        }
    }
}

END {
    printf "%d network calls checked, %d to outside destinations\n", calls, outside
    exit outside > 0
}
