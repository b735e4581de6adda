// SPDX-License-Identifier: GPL-3.0-or-later
#include <filesystem>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/atomic_file.h"
#include "read_text.h"
#include "scoped_env.h"
#include "store/settings.h"
#include "temp_dir.h"

namespace {

const char* const stored =
    R"({"quiet":true,"interval":15,"language":"ru","showLocal":true,"paused":true})";

class SettingsTest : public testing::Test {
  protected:
    TempDir root;
    std::string path = root / "settings.json";

    SettingsReading readFrom(const std::string& text) {
        EXPECT_TRUE(AtomicFile::write(path, text));
        return readSettings(path);
    }
};

} // namespace

TEST_F(SettingsTest, ReadsAllFiveKeysAndIgnoresOthers) {
    auto json = nlohmann::json::parse(stored);
    json["interval"] = -1.5;
    json["theme"] = "dark";
    const SettingsReading reading = readFrom(json.dump());
    EXPECT_EQ(
        reading.settings,
        (Settings{
            .quiet = true, .interval = -1.5, .language = "ru", .showLocal = true, .paused = true}));
    EXPECT_EQ(reading.problem, std::nullopt);
    // The newer switches are optional, read when there, and of their own type only.
    json["exportJournal"] = json["blockAtDeadline"] = true;
    const Settings read = *readFrom(json.dump()).settings;
    EXPECT_TRUE(read.exportJournal && read.blockAtDeadline);
    for (const char* key : {"exportJournal", "blockAtDeadline"}) {
        json[key] = 1;
        EXPECT_TRUE(readFrom(json.dump()).problem) << key;
        json[key] = true;
    }
}

TEST_F(SettingsTest, AFileTooLargeForSettingsIsRefusedUnread) {
    auto json = nlohmann::json::parse(stored);
    json["language"] = std::string(70 * 1024, 'r');
    EXPECT_EQ(readFrom(json.dump()).problem, "it is larger than 64 KiB");
}

TEST_F(SettingsTest, AnyMissingKeyOrWrongTypeRejectsTheWholeFile) {
    const nlohmann::json complete = nlohmann::json::parse(stored);
    std::vector<std::string> texts{"",
                                   "not json",
                                   "[]",
                                   "null",
                                   stored + std::string("}"),
                                   R"({"quiet":true,"interval":1e400,"language":"ru",
                                       "showLocal":true,"paused":true})"};
    for (const auto& [key, value] : complete.items()) {
        nlohmann::json without = complete;
        without.erase(key);
        texts.push_back(without.dump());
        for (const nlohmann::json& wrong :
             {nlohmann::json(nullptr), nlohmann::json::array(),
              value.is_string() ? nlohmann::json(5) : nlohmann::json("5"),
              value.is_boolean() ? nlohmann::json(1) : nlohmann::json(true)}) {
            nlohmann::json changed = complete;
            changed[key] = wrong;
            texts.push_back(changed.dump());
        }
    }
    for (const std::string& text : texts) {
        SettingsReading reading = readFrom(text);
        EXPECT_EQ(reading.settings, std::nullopt) << text;
        EXPECT_TRUE(reading.problem) << text;
    }
}

TEST_F(SettingsTest, WritesCompactJsonThatReadsBackOrSaysWhyNot) {
    Settings settings{true, 1.5, "en", false, true, true, true};
    ASSERT_TRUE(writeSettings(root / "new/settings.json", settings));
    std::string text = readText(root / "new/settings.json");
    EXPECT_EQ(text.find_first_of(" \n"), std::string::npos) << text;
    EXPECT_EQ(loadSettings(root / "new/settings.json"), settings);
    // No file is no settings and no problem; a folder in its place is a problem.
    EXPECT_TRUE(!readSettings(path).settings && !readSettings(path).problem);
    std::filesystem::create_directory(path);
    EXPECT_TRUE(readSettings(path).problem);
    Result<void> written = writeSettings(path, Settings{});
    ASSERT_FALSE(written);
    EXPECT_NE(written.error().message.find(path), std::string::npos) << written.error().message;
}

TEST(SettingsLang, OnlyExactCodesOverrideTheSystemLanguage) {
    for (auto [system, lang] : {std::pair{"ru_RU", Lang::ru}, std::pair{"en_GB", Lang::en}}) {
        ScopedEnv language("LANGUAGE", system);
        for (const char* language : {"auto", "EN", "Ru", "de", ""})
            EXPECT_EQ(Settings{.language = language}.lang(), lang) << system << " " << language;
        EXPECT_EQ(Settings{.language = "ru"}.lang(), Lang::ru);
        EXPECT_EQ(Settings{.language = "en"}.lang(), Lang::en);
    }
}

TEST_F(SettingsTest, AnUnusableFileIsKeptAsideBeforeTheFirstWrite) {
    const std::string fourKeys = R"({"quiet":true,"interval":15,"language":"ru","showLocal":true})";
    ASSERT_TRUE(AtomicFile::write(path, fourKeys));
    ASSERT_TRUE(writeSettings(path, Settings{}));
    ASSERT_TRUE(writeSettings(path, Settings{.quiet = true}));
    std::vector<std::string> aside;
    for (const auto& entry : std::filesystem::directory_iterator(root.path()))
        if (entry.path().filename().string().starts_with("settings.json.bad-"))
            aside.push_back(entry.path().string());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(readText(aside[0]), fourKeys);
    EXPECT_EQ(loadSettings(path), Settings{.quiet = true});
}
