// Helpers of the dialog tests: acting on the next modal window once it is up, and a loaded
// configuration with optional licence and about texts.
#pragma once

#include "common/TestEnv.h"
#include "configuration/ConfigurationWrapper.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

namespace DialogTest
{

// Calls act with the next modal widget other than skip as soon as it is shown (checked every 20 ms,
// given up after 10 s so that a broken test cannot hang).
inline void OnNextModal(std::function<void(QWidget *)> act, QWidget *skip = nullptr)
{
    auto *timer = new QTimer(QCoreApplication::instance());
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(timer, &QTimer::timeout, timer, [act, skip, clock, timer] {
        QWidget *modal = QApplication::activeModalWidget();
        const bool found = modal && modal != skip && modal->isVisible();
        if (!found && clock->elapsed() < 10000) return;
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (found) act(modal);
    });
    timer->start(20);
}

// A configuration in folder; licence and about are file contents (none when empty).
inline std::shared_ptr<ConfigurationWrapper> MakeConfiguration(const std::string &folder,
                                                               const std::string &license = std::string(),
                                                               const std::string &about = std::string())
{
    QDir().mkpath(QString::fromStdString(folder));
    std::string organization = "<Organization><Name Value=\"Test Publishers\"/>";
    if (!license.empty()) {
        organization += "<License Value=\"license.html\"/>";
        TestEnv::WriteFile(folder + "/license.html", license);
    }
    organization += "</Organization>";
    std::string application = "<Application><Title Value=\"Test\"/>";
    if (!about.empty()) {
        application += "<About Value=\"about.html\"/>";
        TestEnv::WriteFile(folder + "/about.html", about);
    }
    application += "</Application>";
    TestEnv::WriteFile(folder + "/configuration.xml",
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<CCSettings Version=\"1.0.0.0\">"
                       "<Gallery GUID=\"GUID-DIALOG\" DefaultSource=\"\" Name=\"Dialog Gallery\"/>" +
                           application + organization + "</CCSettings>\n");
    TestEnv::WriteFile(folder + "/metadata.xml",
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<lom:lom><lom:general><lom:identifier>"
                       "<lom:entry>GUID-DIALOG</lom:entry></lom:identifier><lom:title><lom:string language=\"en\">"
                       "Dialog Gallery</lom:string></lom:title></lom:general></lom:lom>\n");
    auto configuration = std::make_shared<ConfigurationWrapper>();
    configuration->ReadFromDir(CKeldaDirectoryPath::FromUtf8(folder));
    return configuration;
}

} // namespace DialogTest
