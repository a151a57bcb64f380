// Runs one request of the HTTP engine to its completion, with a safety limit so that a broken test
// cannot hang the run.
#pragma once

#include "net/QHttpWithResume.h"

#include <QEventLoop>
#include <QTimer>

#include <functional>

struct EngineOutcome {
    bool finished = false; // false: the safety limit ran out
    int id = 0;
    bool error = false;
    int status = 0; // HTTP status of the reply that completed, 0 when none
    bool hadReply = false;
    QByteArray hash;
};

// start() issues the request; the loop runs until ResumeRequestFinished.
inline EngineOutcome RunEngine(QtDownloader::QHttpWithResume &engine, const std::function<void()> &start,
                               int limitMs = 15000)
{
    EngineOutcome outcome;
    QEventLoop loop;
    auto connection =
        QObject::connect(&engine, &QtDownloader::QHttpWithResume::ResumeRequestFinished, &loop,
                         [&](int id, bool error, QNetworkReply *reply, const QByteArray &hash) {
                             outcome.finished = true;
                             outcome.id = id;
                             outcome.error = error;
                             outcome.hadReply = reply != nullptr;
                             outcome.status =
                                 reply ? reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() : 0;
                             outcome.hash = hash;
                             loop.quit();
                         });
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    start();
    if (!outcome.finished) loop.exec();
    QObject::disconnect(connection);
    return outcome;
}

inline EngineOutcome RunResume(QtDownloader::QHttpWithResume &engine, const QUrl &url, const QString &file,
                               int algorithm = QtDownloader::Hash::None)
{
    return RunEngine(engine, [&] { engine.ResumeGet(url, file, {}, algorithm); });
}
