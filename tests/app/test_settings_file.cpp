// The main window's start-up and the user's ~/Pictures/Config/config.ini: only the DPI line
// changes, a FIFO or an oversized file is left alone, and nothing waits on them.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "GuiTestEnvironment.h"
#include "PlayerApp.h"
#include "PlayerDlg.h"

namespace {

// Fails the run, instead of hanging it, when the window is not up in time.
class Watchdog {
public:
    explicit Watchdog(int seconds)
        : m_thread([this, seconds] {
              const auto deadline =
                  std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
              while (!m_done && std::chrono::steady_clock::now() < deadline)
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              if (!m_done) {
                  std::fprintf(stderr, "watchdog: the window did not start\n");
                  std::_Exit(3);
              }
          }) {}
    ~Watchdog() {
        m_done = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void StartTheWindow() {
    Watchdog watchdog(60);
    CPlayerDlg dlg;
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
}

class ConfigFile : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = CPlayerDlg::ConfigFilePath();
        ASSERT_TRUE(QDir().mkpath(QFileInfo(m_path).absolutePath()));
        QFile::remove(m_path);
    }
    bool Write(const QByteArray& bytes) {
        QFile f(m_path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    QString m_path;
};

TEST_F(ConfigFile, StartUpChangesOnlyTheDpiLine) {
    const QByteArray before = "; my notes\r\n[system]\r\nLast=C:\\dir\\x\r\nItems=a,b\r\ndpi=";
    const QByteArray after = "\r\n\r\n[Other]\r\nk=v";
    ASSERT_TRUE(Write(before + "1" + after));
    StartTheWindow();
    const QByteArray text = ReadAll(m_path);
    ASSERT_TRUE(text.startsWith(before) && text.endsWith(after)) << text.toStdString();
    const QByteArray dpi = text.mid(before.size(), text.size() - before.size() - after.size());
    bool number = false;
    EXPECT_GE(dpi.toInt(&number), 72) << dpi.toStdString();
    EXPECT_TRUE(number);
}

TEST_F(ConfigFile, ANewFileHoldsTheDpi) {
    StartTheWindow();
    const QByteArray text = ReadAll(m_path);
    EXPECT_TRUE(text.startsWith("[System]\nDPI=") && text.endsWith("\n")) << text.toStdString();
}

TEST_F(ConfigFile, AFifoOrAFilePast1MiBIsLeftAlone) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(m_path).constData(), 0644), 0);
    StartTheWindow();
    struct stat st {};
    ASSERT_EQ(::lstat(QFile::encodeName(m_path).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    QFile::remove(m_path);
    const QByteArray large = "[System]\nDPI=1\n" + QByteArray(1 << 20, ';');
    ASSERT_TRUE(Write(large));
    StartTheWindow();
    EXPECT_EQ(ReadAll(m_path), large);
}

}  // namespace

int main(int argc, char** argv) {
    const velto::testing::GuiTestEnvironment environment;
    qputenv("XDG_PICTURES_DIR", environment.HomePath().toUtf8() + "/Pictures");
    CPlayerApp::PrepareProcess();
    QApplication app(argc, argv);
    CPlayerApp::ApplyStyle(app);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
