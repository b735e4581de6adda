// SPDX-License-Identifier: GPL-3.0-or-later
// Looks names up the way programs do and prints one line per name: "NAME ADDRESS", "NAME none"
// (the name does not exist) or "NAME again" (no answer, or a server failure).
//
//   dns_probe NAME...                    getaddrinfo, through /etc/hosts and /etc/resolv.conf
//   dns_probe --server ADDR:PORT NAME... one A query straight to that server
#include <cstdio>
#include <resolv.h>
#include <string>

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netdb.h>

namespace {

std::string byGetaddrinfo(const char* name) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* result = nullptr;
    int status = getaddrinfo(name, nullptr, &hints, &result);
    if (status == EAI_NONAME) return "none";
    if (status != 0) return "again";
    char text[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(result->ai_addr)->sin_addr, text,
              sizeof text);
    freeaddrinfo(result);
    return text;
}

std::string byQuery(res_state state, const char* name) {
    unsigned char answer[NS_PACKETSZ * 4];
    int length = res_nquery(state, name, ns_c_in, ns_t_a, answer, sizeof answer);
    if (length < 0) return h_errno == HOST_NOT_FOUND ? "none" : "again";
    ns_msg message;
    ns_rr record;
    if (ns_initparse(answer, length, &message) != 0) return "again";
    for (int i = 0; i < ns_msg_count(message, ns_s_an); ++i)
        if (ns_parserr(&message, ns_s_an, i, &record) == 0 && ns_rr_type(record) == ns_t_a) {
            char text[INET_ADDRSTRLEN] = "";
            inet_ntop(AF_INET, ns_rr_rdata(record), text, sizeof text);
            return text;
        }
    return "none";
}

} // namespace

int main(int argc, char** argv) {
    int first = 1;
    struct __res_state state {};
    bool direct = argc > 2 && std::string(argv[1]) == "--server";
    if (direct) {
        std::string server = argv[2];
        size_t colon = server.rfind(':');
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(std::stoi(server.substr(colon + 1))));
        if (colon == std::string::npos ||
            inet_pton(AF_INET, server.substr(0, colon).c_str(), &address.sin_addr) != 1 ||
            res_ninit(&state) != 0)
            return 2;
        state.nscount = 1;
        state.nsaddr_list[0] = address;
        state.retry = 1;
        first = 3;
    }
    for (int i = first; i < argc; ++i)
        std::printf("%s %s\n", argv[i],
                    (direct ? byQuery(&state, argv[i]) : byGetaddrinfo(argv[i])).c_str());
    return 0;
}
