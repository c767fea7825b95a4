// The INI-backed defaults: types and bytes that survive a restart, hand-edited files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/QSettingsUserDefaults.h"

namespace vantrel {
namespace {

class QSettingsUserDefaultsTest : public ::testing::Test {
  protected:
    QString conf(const QTemporaryDir& dir) const { return dir.path() + "/Vantrel/Vantrel.conf"; }

    // Qt caches a settings file per path within the process, with the values as they were
    // written. A copy under a new path is read from disk, as the next start would read it.
    QString restartedHome() {
        QDir().mkpath(fresh.path() + "/Vantrel");
        EXPECT_TRUE(QFile::copy(conf(home), conf(fresh)));
        return fresh.path();
    }
    void writeFile(const QByteArray& text) {
        QDir().mkpath(home.path() + "/Vantrel");
        QFile file(conf(home));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }
    QByteArray fileText() {
        QFile file(conf(home));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

    QTemporaryDir home;
    QTemporaryDir fresh;
};

TEST_F(QSettingsUserDefaultsTest, WritesOnlyWhenUsedAndBooleansBytesAndRemovalsSurviveARestart) {
    Bytes all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(i));
    const Bytes lookalike{'@', 'V', 'a', 'r', 'i', 'a', 'n', 't', '('};
    {
        QSettingsUserDefaults defaults(home.path());
        EXPECT_FALSE(QFile::exists(home.path() + "/Vantrel"));  // nothing opened until used
        defaults.setBool("launchAtLogin", true);
        EXPECT_TRUE(fileText().contains("launchAtLogin=true\n")) << fileText().toStdString();
        defaults.setBool("checkForUpdates", false);
        defaults.setBool("ignoreSpaceMismatch", true);
        defaults.setData("all", all);
        defaults.setData("empty", Bytes{});
        defaults.setData("at", lookalike);
        defaults.remove("ignoreSpaceMismatch");
        defaults.remove("");
    }
    QSettingsUserDefaults restarted(restartedHome());
    EXPECT_EQ(restarted.object("launchAtLogin"), DefaultsValue{true});
    EXPECT_EQ(restarted.object("checkForUpdates"), DefaultsValue{false});
    EXPECT_TRUE(std::holds_alternative<std::monostate>(restarted.object("ignoreSpaceMismatch")));
    EXPECT_EQ(restarted.dataForKey("all"), all);
    EXPECT_EQ(restarted.dataForKey("empty"), Bytes{});
    EXPECT_EQ(restarted.dataForKey("at"), lookalike);
}

TEST_F(QSettingsUserDefaultsTest, HandEditedValuesKeepTheirKind) {
    writeFile(
        "[General]\n"
        "checkForUpdates=yes\n"
        "showWindowCount=0\n"
        "launchAtLogin=true\n"
        "ignoreSpaceMismatch=\"false\"\n"
        "presetShortcuts={}\n"
        "list=a, b\n"
        "broken=@ByteArray(abc\n");
    QSettingsUserDefaults defaults(home.path());
    EXPECT_EQ(defaults.object("checkForUpdates"), DefaultsValue{std::string("yes")});
    EXPECT_EQ(defaults.object("showWindowCount"), DefaultsValue{std::string("0")});
    EXPECT_EQ(defaults.object("launchAtLogin"), DefaultsValue{true});
    EXPECT_EQ(defaults.object("ignoreSpaceMismatch"), DefaultsValue{false});
    EXPECT_EQ(defaults.object("list"), DefaultsValue{std::string("a, b")});
    EXPECT_EQ(defaults.object("broken"), DefaultsValue{std::string("@ByteArray(abc")});
    EXPECT_EQ(defaults.dataForKey("presetShortcuts"), std::nullopt);  // text, not bytes
}

}  // namespace
}  // namespace vantrel
