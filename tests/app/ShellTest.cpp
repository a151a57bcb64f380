// The shell's building blocks: the single-instance lock, the worker thread with its own loop, waiting
// with events, and the message table.
#include "app/Output.h"
#include "support/QThreadWithLoop.h"
#include "app/SingleInstance.h"
#include "support/WaitWithQtEvents.h"
#include "app/WorkFlow.h"

#include "app/CaptureOutput.h"
#include "common/TestEnv.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <sys/ipc.h>
#include <sys/sem.h>

namespace
{

TEST(SingleInstanceTest, OneOwnerPerPathUntilReleased)
{
    TestEnv::TempDir dir;
    const std::string a = dir.file("a"), b = dir.file("b");
    ASSERT_TRUE(TestEnv::WriteFile(a, "a"));
    ASSERT_TRUE(TestEnv::WriteFile(b, "b"));
    {
        SingleInstance first(a, 'q');
        EXPECT_TRUE(first.IsOwner());
        SingleInstance second(a, 'q');
        EXPECT_FALSE(second.IsOwner());
        SingleInstance other(b, 'q'); // another copy of the program does not exclude this one
        EXPECT_TRUE(other.IsOwner());
    }
    SingleInstance again(a, 'q');
    EXPECT_TRUE(again.IsOwner());
    // The owner removes its semaphore set when it goes.
    again.Release();
    EXPECT_EQ(semget(ftok(a.c_str(), 'q'), 1, 0), -1);
}

TEST(SingleInstanceTest, PathThatCannotBeKeyedCountsAsAnotherInstance)
{
    SingleInstance none(TestEnv::SysRoot() + "/no/such/file", 'q');
    EXPECT_FALSE(none.IsOwner());
}

TEST(SingleInstanceTest, AStaleSetWithNobodyHoldingItIsFree)
{
    TestEnv::TempDir dir;
    const std::string path = dir.file("trove");
    ASSERT_TRUE(TestEnv::WriteFile(path, "x"));
    // What a killed instance leaves: the set, with its value taken back to 0 by the kernel.
    const int semid = semget(ftok(path.c_str(), 'q'), 1, IPC_CREAT | IPC_EXCL | 0666);
    ASSERT_NE(semid, -1);
    {
        SingleInstance instance(path, 'q');
        EXPECT_TRUE(instance.IsOwner());
    }
    semctl(semid, 0, IPC_RMID);
}

TEST(QThreadWithLoopTest, RunsTheCallableInItsOwnLoop)
{
    Qt::HANDLE worker = nullptr;
    bool timerFired = false;
    QThreadWithLoop thread([&] {
        worker = QThread::currentThreadId();
        // Something that needs the worker's own event loop.
        QTimer::singleShot(10, [&] { timerFired = true; });
        WaitWithQtEvents([&] { return !timerFired; }).Wait();
        return 7;
    });
    thread.start();
    thread.Join();
    EXPECT_TRUE(thread.isFinished());
    EXPECT_EQ(thread.GetExitCode(), 7);
    EXPECT_TRUE(timerFired);
    EXPECT_NE(worker, QThread::currentThreadId());

    QThreadWithLoop empty;
    empty.start();
    empty.Join();
    EXPECT_EQ(empty.GetExitCode(), 1);
}

TEST(WaitWithQtEventsTest, KeepsTheCallersEventsFlowing)
{
    int delivered = 0;
    QTimer::singleShot(0, [&] { ++delivered; });
    QTimer::singleShot(30, [&] { ++delivered; });
    WaitWithQtEvents([&] { return delivered < 2; }).Wait();
    EXPECT_EQ(delivered, 2);

    QElapsedTimer clock;
    clock.start();
    WaitWithQtEvents(120).Wait();
    EXPECT_GE(clock.elapsed(), 120);
}

TEST(OutputTest, MessagesAndSubstitution)
{
    Output::Initialize();
    for (int id = 0; id <= 19; ++id)
        EXPECT_FALSE(Output::GetString(Output::eStrings(id)).empty()) << id;
    EXPECT_EQ(Output::GetString(Output::eStringsTitle), "Trove");
    EXPECT_EQ(Output::GetString(Output::eStringsNoWritePermissions, "/srv/gällery"),
              "You must have write permissions for the destination directory:\n/srv/gällery");
    EXPECT_EQ(Output::GetTranslatedString(Output::eStringsCouldNotDownloadFile, "http://x/%1"),
              QStringLiteral("Could not download the file:\nhttp://x/%1\nMake sure the computer has an active "
                             "Internet connection."));
    EXPECT_EQ(Output::GetString(Output::eStrings(20)), "");

    const CapturedOutput o = Capture([] {
        Output::Error(Output::eStringsAnotherInstance, false);
        return 0;
    });
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(o.err, "Another instance of this application is running. Please use it instead.\n");
}

TEST(WorkFlowTest, VersionInformationAndUnrecognizedList)
{
    EXPECT_EQ(CWorkFlow::GetVersionInformation(), "Trove. Version:  1.4.32.0\n");
    const CapturedOutput none = Capture([] {
        CWorkFlow::PrintUnrecognized({});
        return 0;
    });
    EXPECT_EQ(none.err, "");
    const CapturedOutput two = Capture([] {
        CWorkFlow::PrintUnrecognized({L"Unknown: \"x\"", L"Missing value: \"l\""});
        return 0;
    });
    EXPECT_EQ(two.out, "");
    EXPECT_EQ(two.err, "Errors in parameters:\n   Unknown: \"x\"\n   Missing value: \"l\"\n\n");
}

} // namespace
