#include <filesystem>
#include <map>

#include <QTest>

#include "admin_script.h"
#include "base/tool_runner.h"
#include "temp_dir.h"

namespace {

// Reads the AppleScript string literal that starts at `at` as AppleScript does: the text it
// stands for, with `at` moved past its closing quote. Absent when no whole literal starts there.
std::optional<std::string> readLiteral(const std::string& source, size_t& at) {
    static const std::map<char, char> escapes{
        {'"', '"'}, {'\\', '\\'}, {'n', '\n'}, {'r', '\r'}, {'t', '\t'}};
    if (at >= source.size() || source[at] != '"') return std::nullopt;
    std::string text;
    for (size_t i = at + 1; i < source.size(); ++i) {
        if (source[i] == '"') {
            at = i + 1;
            return text;
        }
        if (source[i] != '\\') {
            text += source[i];
            continue;
        }
        if (++i == source.size() || !escapes.contains(source[i])) return std::nullopt;
        text += escapes.at(source[i]);
    }
    return std::nullopt;
}

// The shell command and the prompt of a script that is exactly one `do shell script` statement
// with administrator privileges, read as AppleScript reads it; absent for anything else.
std::optional<std::pair<std::string, std::string>> parse(const std::string& source) {
    size_t at = 0;
    const auto keywords = [&](std::string_view words) {
        return source.compare(at, words.size(), words) == 0 && (at += words.size());
    };
    if (!keywords("do shell script ")) return std::nullopt;
    std::optional<std::string> command = readLiteral(source, at);
    if (!command || !keywords(" with administrator privileges with prompt ")) return std::nullopt;
    std::optional<std::string> prompt = readLiteral(source, at);
    if (!prompt || at != source.size()) return std::nullopt;
    return std::pair{*command, *prompt};
}

} // namespace

class AdminScriptTest : public QObject {
    Q_OBJECT

  private slots:
    // The script is run here by the shell as `do shell script` runs it; every word, however
    // hostile, reaches the program as one argument and nothing else runs.
    void hostileWordsReachTheProgramIntact() {
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

        const std::optional<std::string> script = AdminScript::source(words, "Nattervane");
        QVERIFY(script);
        const auto statement = parse(*script);
        QVERIFY2(statement, script->c_str());
        QVERIFY(script->find('\n') == std::string::npos);
        std::string expected;
        for (const std::string& argument : arguments)
            expected += argument + '\0';
        QCOMPARE(
            QByteArray::fromStdString(runTool("/bin/sh", {"-c", statement->first}, 10).value()),
            QByteArray::fromStdString(expected));
        QVERIFY(!std::filesystem::exists(marker));
    }

    void thePromptStaysOneStringAndNulBytesAreRefused() {
        const std::string prompt = "Nattervane wants \"admin\" \\ rights\n\" with "
                                   "administrator privileges\r\\";
        const std::optional<std::string> script = AdminScript::source({"/bin/true"}, prompt);
        QVERIFY(script);
        const auto statement = parse(*script);
        QVERIFY2(statement, script->c_str());
        QCOMPARE(statement->second, prompt);
        QCOMPARE(statement->first, std::string("'/bin/true'"));

        using namespace std::string_literals;
        QVERIFY(!AdminScript::source({"/bin/rm", "/tmp/x\0 y"s}, "prompt"));
        QVERIFY(!AdminScript::source({"/bin/true"}, "prompt\0\" & (do shell script \"id)"s));
    }
};

QTEST_APPLESS_MAIN(AdminScriptTest)
#include "admin_script_test.moc"
