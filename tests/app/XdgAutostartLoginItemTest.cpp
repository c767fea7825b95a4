// The autostart entry: its group and command, escaping of the binary path, and failures as text.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/XdgAutostartLoginItem.h"

namespace vantrel {
namespace {

class XdgAutostartLoginItemTest : public ::testing::Test {
  protected:
    QString entryPath() const { return home.path() + "/autostart/vantrel.desktop"; }
    QByteArray entryText() const {
        QFile file(entryPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

    QTemporaryDir home;
};

TEST_F(XdgAutostartLoginItemTest, EnableWritesTheEntryAndDisableRemovesIt) {
    // A path the entry cannot carry (the table below) writes nothing.
    EXPECT_FALSE(XdgAutostartLoginItem(home.path(), "/opt/a\nExec=x/v").setEnabled(true).ok());
    EXPECT_FALSE(QFile::exists(entryPath()));
    XdgAutostartLoginItem item(home.path(), "/usr/local/bin/vantrel");
    EXPECT_EQ(item.entryPath(), entryPath());
    ASSERT_TRUE(item.setEnabled(true).ok());
    EXPECT_TRUE(entryText().startsWith("[Desktop Entry]\nType=Application\n") &&
                entryText().contains("\nExec=/usr/local/bin/vantrel\n"))
        << entryText().toStdString();
    ASSERT_TRUE(item.setEnabled(true).ok());  // again: replaced, no leftovers beside it
    EXPECT_EQ(QDir(home.path() + "/autostart").entryList(QDir::Files | QDir::Hidden),
              QStringList{"vantrel.desktop"});

    ASSERT_TRUE(item.setEnabled(false).ok());
    EXPECT_FALSE(QFile::exists(entryPath()));
    EXPECT_TRUE(item.setEnabled(false).ok());  // nothing to remove is not a failure
}

TEST_F(XdgAutostartLoginItemTest, FailuresComeBackAsTextNamingThePath) {
    // A folder where the entry should be: it can be neither replaced nor removed.
    ASSERT_TRUE(QDir().mkpath(entryPath() + "/inside"));
    XdgAutostartLoginItem item(home.path(), "/usr/bin/vantrel");
    for (const bool wanted : {true, false}) {
        const auto status = item.setEnabled(wanted);
        ASSERT_FALSE(status.ok());
        EXPECT_TRUE(status.error().message.starts_with(entryPath().toStdString() + ": "))
            << status.error().message;
    }
    EXPECT_TRUE(QFile::exists(entryPath() + "/inside"));

    // A file where the autostart folder should be: the folder cannot be made.
    ASSERT_TRUE(QDir(home.path()).removeRecursively());
    ASSERT_TRUE(QDir().mkpath(home.path()));
    QFile blocker(home.path() + "/autostart");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const auto status = item.setEnabled(true);
    ASSERT_FALSE(status.ok());
    EXPECT_TRUE(status.error().message.starts_with((home.path() + "/autostart: ").toStdString()));
}

TEST(DesktopExecArgument, QuotesAndEscapesOnlyWhatTheEntryFormatRequires) {
    EXPECT_EQ(desktopExecArgument("/usr/bin/vantrel"), "/usr/bin/vantrel");
    EXPECT_EQ(desktopExecArgument("/opt/My Apps/vantrel"), "\"/opt/My Apps/vantrel\"");
    EXPECT_EQ(desktopExecArgument("/opt/100%/vantrel"), "/opt/100%%/vantrel");
    // Quoted-argument escapes first (\$ \" \\), then the string value doubles each backslash.
    EXPECT_EQ(desktopExecArgument("/opt/a$b\"c\\d%e"), R"("/opt/a\\$b\\"c\\\\d%%e")");
    EXPECT_EQ(desktopExecArgument("/opt/it's;`x`"), R"("/opt/it's;\\`x\\`")");
    EXPECT_EQ(desktopExecArgument("/opt/Ünïcode/vantrel"), "/opt/Ünïcode/vantrel");
    EXPECT_EQ(desktopExecArgument("/opt/tab\there"), std::nullopt);
    EXPECT_EQ(desktopExecArgument("/opt/del\x7f"), std::nullopt);
    EXPECT_EQ(desktopExecArgument(""), std::nullopt);
    EXPECT_EQ(desktopExecArgument("relative/vantrel"), std::nullopt);
}

}  // namespace
}  // namespace vantrel
