// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Output of `ss -H -t -u -n -p -i` for `sockets` established sockets of 300 programs to as many
// public addresses, with the info lines a real kernel prints.
inline std::string ssFixture(int sockets) {
    std::string text;
    for (int i = 0; i < sockets; ++i) {
        std::string remote =
            "203.0." + std::to_string(i / 250 % 250) + "." + std::to_string(i % 250);
        text += "tcp   ESTAB 0      0      192.168.1.20:" + std::to_string(40000 + i % 20000) +
                " " + remote + ":443 users:((\"program" + std::to_string(i % 300) +
                "\",pid=" + std::to_string(1000 + i % 300) + ",fd=" + std::to_string(i % 900) +
                "))\n";
        text += "\t cubic wscale:7,7 rto:204 rtt:12.5/3.1 ato:40 mss:1448 pmtu:1500 rcvmss:1448 "
                "advmss:1448 cwnd:10 bytes_sent:" +
                std::to_string(i * 37) + " bytes_acked:" + std::to_string(i * 37 + 1) +
                " bytes_received:" + std::to_string(i * 91) +
                " segs_out:40 segs_in:38 data_segs_out:12 send 9.3Mbps lastsnd:120 lastrcv:80 "
                "pacing_rate 18.5Mbps delivery_rate 4.1Mbps rcv_space:14480 minrtt:11.2\n";
    }
    return text;
}
