// The single-instance guard: who runs, waking the running one, and stale locks.
#include "app/SingleInstance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QSysInfo>
#include <QTemporaryDir>

namespace vantrel {
namespace {

class SingleInstanceTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "single_instance_tests";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr) app_ = new QCoreApplication(argc, argv);
    }

    // Runs the event loop until `activations` reaches `count` or ten seconds have passed.
    static bool waitFor(const int& activations, int count) {
        const QDeadlineTimer deadline(10000);
        while (activations < count && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return activations >= count;
    }

    QTemporaryDir dir_;
    QString path_ = dir_.path() + QStringLiteral("/vantrel-test");

  private:
    static inline QCoreApplication* app_ = nullptr;
};

TEST_F(SingleInstanceTest, SocketPathNamesTheUserAndTheDisplayWithoutItsScreen) {
    const QString uid = QString::number(getuid());
    EXPECT_EQ(SingleInstance::socketPathFor("/run/user/7", ":1.0"),
              SingleInstance::socketPathFor("/run/user/7", ":1"));
    // Nothing in $DISPLAY can climb out of the folder.
    EXPECT_EQ(SingleInstance::socketPathFor("/r", "../../x:0"), "/r/vantrel-" + uid + "-.._.._x_0");
    // A relative or missing runtime folder is not trusted.
    EXPECT_TRUE(SingleInstance::socketPathFor("run", ":0").startsWith(QDir::tempPath() + "/"));
    EXPECT_TRUE(SingleInstance::socketPathFor("", ":0").startsWith(QDir::tempPath() + "/"));
}

// A later start on the same display stands back and wakes the running one, every time; other
// displays and ended instances do not count. (A crashed one's leftovers: the end-to-end test.)
TEST_F(SingleInstanceTest, OnlyALiveInstanceOfThisDisplayCounts) {
    {
        SingleInstance first(path_);
        int activations = 0;
        first.onActivate = [&activations] { ++activations; };
        ASSERT_EQ(first.claim(), SingleInstance::Role::primary);
        SingleInstance otherDisplay(path_ + QStringLiteral("-other"));
        EXPECT_EQ(otherDisplay.claim(), SingleInstance::Role::primary);
        for (int later = 1; later <= 2; ++later) {
            SingleInstance second(path_);
            EXPECT_EQ(second.claim(), SingleInstance::Role::secondary);
            EXPECT_TRUE(waitFor(activations, later));
        }
        EXPECT_EQ(activations, 2);
    }
    EXPECT_FALSE(QFileInfo::exists(path_));
    EXPECT_FALSE(QFileInfo::exists(path_ + QStringLiteral(".lock")));
    SingleInstance next(path_);
    EXPECT_EQ(next.claim(), SingleInstance::Role::primary);
}

// Empty or garbage locks left long ago, another user's (this live process's, as QLockFile writes
// it), and no room for a lock at all do not block start-up.
TEST_F(SingleInstanceTest, OnlyALiveProcessOfThisUserHoldsTheLock) {
    const QByteArray lockPath = QFile::encodeName(path_ + QStringLiteral(".lock"));
    const QByteArray live = QByteArray::number(QCoreApplication::applicationPid()) + "\n" +
                            QCoreApplication::applicationName().toUtf8() + "\n" +
                            QSysInfo::machineHostName().toUtf8() + "\n";
    for (const QByteArray& contents : {QByteArray(), QByteArray("\xff garbage"), live}) {
        QFile file(QString::fromLocal8Bit(lockPath));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        file.close();
        const timespec old[2] = {{1000, 0}, {1000, 0}};
        ASSERT_EQ(::utimensat(AT_FDCWD, lockPath.constData(), old, 0), 0);
        // Only root can give a file to another user.
        if (contents == live && ::chown(lockPath.constData(), getuid() + 4242, getgid()) != 0)
            continue;
        SingleInstance instance(path_);
        EXPECT_EQ(instance.claim(), SingleInstance::Role::primary) << contents.toStdString();
    }
    SingleInstance unguarded(QStringLiteral("/nonexistent-folder-for-vantrel/vantrel-test"));
    EXPECT_EQ(unguarded.claim(), SingleInstance::Role::primary);
}

}  // namespace
}  // namespace vantrel
