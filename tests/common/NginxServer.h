// Starts and stops a private nginx on a free 127.0.0.1 port for the tests and benchmarks that need a real
// HTTP server. Its configuration, pid file, logs and temporary folders all live in a work folder the
// caller gives; it runs in the foreground as a single process and serves one folder. The access log
// has one line per request: status, body bytes sent, and the Range, If-Range and If-None-Match headers.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>

#include <string>

class NginxServer
{
  public:
    NginxServer() = default;
    ~NginxServer() { Stop(); }
    NginxServer(const NginxServer &) = delete;
    NginxServer &operator=(const NginxServer &) = delete;

    // The nginx program, or "" when it is not installed.
    static QString Binary()
    {
        const QString standard = QStringLiteral("/usr/sbin/nginx");
        if (QFileInfo(standard).isExecutable()) return standard;
        return QStandardPaths::findExecutable(QStringLiteral("nginx"),
                                              {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin")});
    }

    // Serves root from a server configured in workDir. False (with *error) when nginx did not come up.
    bool Start(const QString &root, const QString &workDir, QString *error)
    {
        m_workDir = workDir;
        for (int attempt = 0; attempt < 3; ++attempt) {
            m_port = FreePort();
            if (m_port == 0) continue;
            WriteConfig(root);
            m_process.setProcessChannelMode(QProcess::MergedChannels);
            m_process.start(Binary(), {QStringLiteral("-p"), m_workDir, QStringLiteral("-c"), ConfigPath(),
                                       QStringLiteral("-e"), m_workDir + QStringLiteral("/error.log"),
                                       QStringLiteral("-g"), QStringLiteral("daemon off;")});
            if (!m_process.waitForStarted(5000)) break;
            if (WaitUntilListening()) return true;
            Stop();
        }
        if (error) {
            QFile log(m_workDir + QStringLiteral("/error.log"));
            log.open(QIODevice::ReadOnly);
            *error = QStringLiteral("nginx did not start: ") + QString::fromLocal8Bit(log.readAll()) +
                     QString::fromLocal8Bit(m_process.readAll());
        }
        return false;
    }

    void Stop()
    {
        if (m_process.state() == QProcess::NotRunning) return;
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    QUrl url(const QString &path) const { return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_port).arg(path)); }

    QStringList AccessLogLines() const
    {
        QFile log(m_workDir + QStringLiteral("/access.log"));
        if (!log.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

  private:
    QString ConfigPath() const { return m_workDir + QStringLiteral("/nginx.conf"); }

    static quint16 FreePort()
    {
        QTcpServer probe;
        if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
        return probe.serverPort();
    }

    void WriteConfig(const QString &root) const
    {
        const QString w = m_workDir;
        QDir().mkpath(w + QStringLiteral("/temp"));
        QString conf;
        conf += QStringLiteral("master_process off;\nworker_processes 1;\n");
        conf += QStringLiteral("pid %1/nginx.pid;\nerror_log %1/error.log;\n").arg(w);
        conf += QStringLiteral("events { worker_connections 64; }\nhttp {\n");
        conf += QStringLiteral("  log_format trove '$status $body_bytes_sent \"$http_range\" \"$http_if_range\" "
                               "\"$http_if_none_match\"';\n");
        conf += QStringLiteral("  access_log %1/access.log trove;\n").arg(w);
        for (const char *kind : {"client_body", "proxy", "fastcgi", "uwsgi", "scgi"})
            conf += QStringLiteral("  %1_temp_path %2/temp/%1;\n").arg(QLatin1String(kind), w);
        conf += QStringLiteral("  default_type application/octet-stream;\n  sendfile on;\n  tcp_nopush on;\n");
        conf += QStringLiteral("  server {\n    listen 127.0.0.1:%1;\n    root %2;\n  }\n}\n").arg(m_port).arg(root);
        QFile file(ConfigPath());
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(conf.toUtf8());
    }

    bool WaitUntilListening()
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000) {
            if (m_process.state() == QProcess::NotRunning) return false;
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, m_port);
            if (socket.waitForConnected(200)) return true;
            QThread::msleep(50);
        }
        return false;
    }

    QString m_workDir;
    quint16 m_port = 0;
    QProcess m_process;
};
