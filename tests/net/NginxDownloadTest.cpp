// The resumable engine against a real nginx on 127.0.0.1: an interrupted large download resumes with
// only the missing bytes and ends identical to the source; an unchanged complete file gets 304.
#include "net/EngineRun.h"
#include "common/NginxServer.h"

#include "common/TestEnv.h"
#include "net/QHttpWithResume.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace
{

constexpr qint64 kSourceSize = 48 * 1024 * 1024 + 12345; // not a multiple of any chunk size
constexpr qint64 kInterruptAfter = 8 * 1024 * 1024;

// Bytes from a simple generator, so that a spliced or shifted file cannot match by accident.
QByteArray SourceBytes(qint64 size)
{
    QByteArray bytes(static_cast<int>(size), Qt::Uninitialized);
    quint32 state = 0x12345678u;
    for (qint64 i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        bytes[static_cast<int>(i)] = static_cast<char>(state >> 24);
    }
    return bytes;
}

class NginxDownloadTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (NginxServer::Binary().isEmpty()) GTEST_SKIP() << "nginx is not installed";
        const QString root = QString::fromStdString(dir.file("www"));
        QDir().mkpath(root);
        source = SourceBytes(kSourceSize);
        QFile file(root + "/big.bin");
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(source), source.size());
        file.close();
        const QString work = QString::fromStdString(dir.file("nginx"));
        QDir().mkpath(work);
        QString error;
        ASSERT_TRUE(nginx.Start(root, work, &error)) << error.toStdString();
    }

    QByteArray ReadTarget() const
    {
        QFile file(target);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    TestEnv::TempDir dir;
    NginxServer nginx;
    QByteArray source;
    QString target = QString::fromStdString(dir.file("big.bin"));
};

TEST_F(NginxDownloadTest, InterruptedDownloadResumesWithOnlyTheMissingBytes)
{
    const QUrl url = nginx.url("/big.bin");
    QtDownloader::QHttpWithResume engine;
    auto interrupt =
        QObject::connect(&engine, &QtDownloader::QHttpWithResume::ResumeDataReadProgress, [&](qint64 done, qint64) {
            if (done >= kInterruptAfter) engine.abort();
        });
    const EngineOutcome first = RunResume(engine, url, target);
    QObject::disconnect(interrupt);
    ASSERT_TRUE(first.finished);
    ASSERT_TRUE(first.error);
    const qint64 partSize = QFileInfo(target + ".part").size();
    ASSERT_GE(partSize, kInterruptAfter);
    ASSERT_LT(partSize, kSourceSize);
    ASSERT_TRUE(QFile::exists(target + ".st"));

    const EngineOutcome resumed = RunResume(engine, url, target, QtDownloader::Hash::Sha256);
    ASSERT_FALSE(resumed.error);
    EXPECT_EQ(resumed.status, 206);
    EXPECT_EQ(resumed.hash, QCryptographicHash::hash(source, QCryptographicHash::Sha256));
    EXPECT_TRUE(ReadTarget() == source);
    EXPECT_FALSE(QFile::exists(target + ".part"));

    const QStringList log = nginx.AccessLogLines();
    ASSERT_EQ(log.size(), 2) << log.join("\n").toStdString();
    const QStringList fields = log.last().split(' ');
    EXPECT_EQ(fields.value(0), "206");
    EXPECT_EQ(fields.value(1).toLongLong(), kSourceSize - partSize) << log.last().toStdString();
    EXPECT_EQ(fields.value(2), QString("\"bytes=%1-\"").arg(partSize));
    EXPECT_TRUE(fields.value(3).startsWith("\"\\x22"))
        << "If-Range carries the entity tag: " << log.last().toStdString();
}

TEST_F(NginxDownloadTest, UnchangedCompleteFileGetsNotModifiedAndIsKept)
{
    const QUrl url = nginx.url("/big.bin");
    QtDownloader::QHttpWithResume engine;
    ASSERT_FALSE(RunResume(engine, url, target).error);
    const QDateTime written = QFileInfo(target).lastModified();

    const EngineOutcome again = RunResume(engine, url, target);
    EXPECT_FALSE(again.error);
    EXPECT_EQ(again.status, 304);
    EXPECT_EQ(QFileInfo(target).lastModified(), written);
    EXPECT_TRUE(ReadTarget() == source);
    EXPECT_FALSE(QFile::exists(target + ".part"));

    const QStringList log = nginx.AccessLogLines();
    ASSERT_EQ(log.size(), 2);
    EXPECT_TRUE(log.last().startsWith("304 0 \"-\" \"-\" \"\\x22")) << log.last().toStdString();
}

} // namespace
