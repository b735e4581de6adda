// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>
#include <string>

#include <QTest>

#include "app_delegate.h"
#include "model_fixture.h"
#include "ss_text.h"

// The application launched over two programs: "Browser" reaching a listed tracker and an unknown
// address, and `second` with one unknown address.
struct DelegateFixture : ModelFixture {
    std::unique_ptr<AppDelegate> delegate;

    void launch(const std::string& second) {
        hostNames = std::make_shared<std::map<std::string, std::string>>(
            std::map<std::string, std::string>{{"203.0.113.5", "ads.tracker.example"}});
        listing(ssLine(1, "Browser", "203.0.113.5:443") + ssLine(1, "Browser", "198.51.100.7:443") +
                ssLine(2, second, "198.51.100.8:443"));
        makeModel();
        delegate = std::make_unique<AppDelegate>(*model);
        delegate->launch({"nattervane"});
        // The host name arrives from the resolver after the first scans.
        for (int i = 0; i < 100 && model->trackingNow() == 0; ++i) {
            QVERIFY(scanned());
            QTest::qWait(10);
        }
        QCOMPARE(model->trackingNow(), 1);
    }

    void tearDown() {
        delegate.reset();
        ModelFixture::tearDown();
    }
};
