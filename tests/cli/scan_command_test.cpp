// SPDX-License-Identifier: GPL-3.0-or-later
#include <unistd.h>

#include <gtest/gtest.h>

#include "cli_run.h"
#include "loopback_connection.h"
#include "private_network.h"

TEST(ClassifyCommand, NamesTheOwnerOfAnAddress) {
    CliResult fastly = runCli("classify 151.101.1.1 --lang en");
    EXPECT_TRUE(has(fastly.out, "cdn (CDN): Fastly")) << fastly.out;
    CliResult local = runCli("classify 192.168.1.10 --lang ru --app Safari");
    EXPECT_TRUE(has(local.out, "«Safari» связывается с устройством")) << local.out;
    // Without --app the sentence speaks of a program, and in Russian only the company stays Latin.
    EXPECT_TRUE(has(fastly.out, "\nA program downloads files through Fastly's")) << fastly.out;
    CliResult russian = runCli("classify 151.101.1.1 --lang ru");
    EXPECT_EQ(russian.out, "Загрузки: Fastly\nПрограмма загружает файлы через сеть доставки Fastly "
                           "— обычно это картинки, обновления, страницы.\n");
}

TEST(ScanCommand, NamesLocalConnectionsInAPrivateNetwork) {
    // Inside its own network namespace the scan sees only the connection made here, and any
    // lookup it attempts cannot leave the machine.
    auto output = inPrivateNetwork([] {
        LoopbackConnection connection;
        return std::to_string(getpid()) + "\n" + runCli("scan --local --wait 0.2 --lang en").out +
               runCli("scan --local --wait 0.2 --lang ru").out;
    });
    if (!output) GTEST_SKIP() << "needs root for a private network namespace";
    const std::string pid = output->substr(0, output->find('\n'));
    for (const std::string& part : std::vector<std::string>{
             "source: netlink", "cli_tests (pid " + pid, " port ", "Local",
             "talks to a device on your network or this computer.", "источник: netlink",
             "cli_tests (процесс " + pid, " порт ", "соединени", "Своя сеть"})
        EXPECT_TRUE(has(*output, part)) << *output;
}
