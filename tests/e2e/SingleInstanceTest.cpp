// The single-instance guard: who runs, waking the running one, and a crashed one's leftovers.
#include "app/SingleInstance.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QLockFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <cstring>
#include <memory>

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

    // Runs the event loop until `activations` reaches `count` or a second has passed.
    static bool waitFor(const int& activations, int count) {
        const QDeadlineTimer deadline(1000);
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
    EXPECT_EQ(SingleInstance::socketPathFor("/run/user/7", ":1"),
              "/run/user/7/vantrel-" + uid + "-_1");
    EXPECT_EQ(SingleInstance::socketPathFor("/run/user/7", ":1.0"),
              SingleInstance::socketPathFor("/run/user/7", ":1"));
    EXPECT_NE(SingleInstance::socketPathFor("/r", ":1"), SingleInstance::socketPathFor("/r", ":2"));
    // Nothing in $DISPLAY can climb out of the folder.
    EXPECT_EQ(SingleInstance::socketPathFor("/r", "../../x:0"), "/r/vantrel-" + uid + "-.._.._x_0");
    // A relative or missing runtime folder is not trusted.
    EXPECT_TRUE(SingleInstance::socketPathFor("run", ":0").startsWith(QDir::tempPath() + "/"));
    EXPECT_TRUE(SingleInstance::socketPathFor("", ":0").startsWith(QDir::tempPath() + "/"));
}

TEST_F(SingleInstanceTest, ALaterStartStandsBackAndWakesTheRunningOne) {
    SingleInstance first(path_);
    int activations = 0;
    first.onActivate = [&activations] { ++activations; };
    ASSERT_EQ(first.claim(), SingleInstance::Role::primary);

    SingleInstance second(path_);
    EXPECT_EQ(second.claim(), SingleInstance::Role::secondary);
    EXPECT_TRUE(waitFor(activations, 1));

    SingleInstance third(path_);
    EXPECT_EQ(third.claim(), SingleInstance::Role::secondary);
    EXPECT_TRUE(waitFor(activations, 2));
    EXPECT_EQ(activations, 2);
}

TEST_F(SingleInstanceTest, OtherDisplaysAndEndedInstancesDoNotCount) {
    {
        SingleInstance first(path_);
        ASSERT_EQ(first.claim(), SingleInstance::Role::primary);
        SingleInstance otherDisplay(path_ + QStringLiteral("-other"));
        EXPECT_EQ(otherDisplay.claim(), SingleInstance::Role::primary);
    }
    EXPECT_FALSE(QFileInfo::exists(path_));
    EXPECT_FALSE(QFileInfo::exists(path_ + QStringLiteral(".lock")));
    SingleInstance next(path_);
    EXPECT_EQ(next.claim(), SingleInstance::Role::primary);
}

TEST_F(SingleInstanceTest, ACrashedInstancesLockAndSocketDoNotBlockTheNextStart) {
    // A child takes the lock, binds the socket and dies without cleaning up.
    const QByteArray socketFile = path_.toLocal8Bit();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QLockFile lock(path_ + QStringLiteral(".lock"));
        if (!lock.tryLock(0)) _exit(1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketFile.constData(), sizeof address.sun_path - 1);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) _exit(2);
        if (::listen(fd, 1) != 0) _exit(3);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ASSERT_TRUE(QFileInfo::exists(path_));
    ASSERT_TRUE(QFileInfo::exists(path_ + QStringLiteral(".lock")));

    SingleInstance next(path_);
    int activations = 0;
    next.onActivate = [&activations] { ++activations; };
    ASSERT_EQ(next.claim(), SingleInstance::Role::primary);
    SingleInstance later(path_);
    EXPECT_EQ(later.claim(), SingleInstance::Role::secondary);
    EXPECT_TRUE(waitFor(activations, 1));
}

// Empty or garbage locks left long ago, and another user's (this live process's, as QLockFile
// writes it), do not block start-up.
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
}

TEST_F(SingleInstanceTest, AFolderWithoutRoomForTheLockRunsUnguarded) {
    SingleInstance instance(QStringLiteral("/nonexistent-folder-for-vantrel/vantrel-test"));
    EXPECT_EQ(instance.claim(), SingleInstance::Role::primary);
}

}  // namespace
}  // namespace vantrel
