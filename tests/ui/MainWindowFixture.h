// The window's test fixture: the small generated source of the engine tests, a configuration of its
// gallery pointing at a private destination, a shared controller, and a MainWindow that has read the
// gallery state. Describe turns a model into one line per row ("  Space [x] (remove)"), and
// BoxAnswerer answers the message boxes that a step opens.
#pragma once

#include "install/ControllerTestSupport.h"

#include "ui/MainWindow.h"
#include "ui/models/TreeItemModel.h"

#include <QApplication>
#include <QBrush>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace WindowTest
{

// "add", "remove", "update" for the tinted brushes (by their first colour), "" otherwise.
inline std::string Tint(const QVariant &value)
{
    const QBrush brush = value.value<QBrush>();
    if (!brush.gradient() || brush.gradient()->stops().isEmpty()) return "";
    const QColor start = brush.gradient()->stops().first().second;
    if (start == QColor(0, 255, 0, 50)) return "add";
    if (start == QColor(255, 0, 0, 50)) return "remove";
    if (start == QColor(0, 0, 255, 50)) return "update";
    return "?";
}

inline void DescribeRows(const QAbstractItemModel *model, const QModelIndex &parent, const std::string &indent,
                         bool withColumn1, std::vector<std::string> &lines)
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        std::string line = indent + index.data(Qt::DisplayRole).toString().toStdString();
        const QVariant check = index.data(Qt::CheckStateRole);
        if (check.isValid())
            line += check.toInt() == Qt::Checked ? " [x]" : check.toInt() == Qt::Unchecked ? " [ ]" : " [~]";
        const std::string tint = Tint(index.data(Qt::BackgroundRole));
        if (!tint.empty()) line += " (" + tint + ")";
        if (withColumn1 && model->columnCount() > 1) {
            const QString second = model->index(row, 1, parent).data(Qt::DisplayRole).toString();
            if (!second.isEmpty()) line += " | " + second.toStdString();
        }
        lines.push_back(line);
        DescribeRows(model, index, indent + "  ", withColumn1, lines);
    }
}

inline std::vector<std::string> Describe(const QAbstractItemModel *model, bool withColumn1 = false)
{
    std::vector<std::string> lines;
    DescribeRows(model, QModelIndex(), "", withColumn1, lines);
    return lines;
}

// The index of the first row whose text is text (any depth); invalid when none.
inline QModelIndex Find(const QAbstractItemModel *model, const QString &text, const QModelIndex &parent = QModelIndex())
{
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        if (index.data(Qt::DisplayRole).toString() == text) return index;
        const QModelIndex inner = Find(model, text, index);
        if (inner.isValid()) return inner;
    }
    return QModelIndex();
}

// Answers every message box that appears while it lives with the button of that text, recording the
// texts of the boxes.
class BoxAnswerer
{
  public:
    explicit BoxAnswerer(QString button) : m_button(std::move(button))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] { Poll(); });
        m_timer.start(10);
    }
    std::vector<std::string> texts;

  private:
    void Poll()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) return;
        texts.push_back(box->text().toStdString());
        for (QAbstractButton *button : box->buttons())
            if (button->text() == m_button) {
                button->click();
                return;
            }
        box->reject();
    }
    QString m_button;
    QTimer m_timer;
};

// The small source with fixed download sizes: Space 2048 bytes, Tools 500, Atlas 20480.
inline NTrove::Publisher::Source SizedSource(const EngineTest::SourceVersions &versions = {})
{
    NTrove::Publisher::Source source = EngineTest::SmallSource(versions);
    const int64_t sizes[] = {2048, 500, 20480};
    for (size_t i = 0; i < source.categories.size() && i < 3; ++i)
        source.categories[i].size = sizes[i];
    return source;
}

// Calls act with the modal widget on top every 10 ms while it lives (whatever dialog the step under
// test opened).
class ModalDriver
{
  public:
    explicit ModalDriver(std::function<void(QWidget *)> act) : m_act(std::move(act))
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget *modal = QApplication::activeModalWidget()) m_act(modal);
        });
        m_timer.start(10);
    }

  private:
    std::function<void(QWidget *)> m_act;
    QTimer m_timer;
};

// Clicks the button of that text in a message box; true when the widget was a message box.
inline bool AnswerBox(QWidget *modal, const QString &button, std::vector<std::string> *texts = nullptr)
{
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (!box) return false;
    if (texts) texts->push_back(box->text().toStdString());
    for (QAbstractButton *candidate : box->buttons())
        if (candidate->text().remove(QLatin1Char('&')) == button) {
            candidate->click();
            return true;
        }
    box->reject();
    return true;
}

// Presses "Finish" when the modal dialog shows it.
inline void PressFinish(QWidget *modal)
{
    auto *finish = modal->findChild<QAbstractButton *>(QStringLiteral("buttonFinish"));
    if (finish && finish->isVisible()) finish->click();
}

class Fixture : public EngineTest::Fixture
{
  protected:
    void SetUp() override
    {
        EngineTest::Fixture::SetUp();
        m_configuration = ControllerTest::LoadConfiguration(Root() + "/configuration", "GUID-TEST", "Test Gallery");
        m_configuration->SetDestination(Destination());
        m_controller = std::make_shared<CInstallationController>();
        m_controller->SetConfiguration(m_configuration);
        m_controller->SetLanguageList(LanguageXml::LanguageList()); // stubs for every code
    }
    void TearDown() override
    {
        m_window.reset();
        m_controller.reset();
        EngineTest::Fixture::TearDown();
    }

    // Publishes the small source, opens a window on it and reads the gallery state.
    void OpenWindow(bool sourceAvailable = true, const NTrove::Publisher::Source &source = SizedSource())
    {
        Publish(source);
        ASSERT_TRUE(m_controller->SetSource(SourceBase()));
        m_window = std::make_unique<MainWindow>(m_controller, m_configuration, nullptr);
        m_window->SetSourceAvailable(sourceAvailable);
        ASSERT_TRUE(m_window->ReadGalleryState());
    }

    // Installs the categories with the engine alone, before the window reads.
    void PreInstall(const std::map<CAtlString, eGalleryInstallationAction> &actions,
                    const std::vector<CAtlString> &targetLanguages = {})
    {
        Publish(SizedSource());
        CGalleryInstallationItem::SetTargetLanguageList(targetLanguages);
        ASSERT_GE(OpenAndRun(actions), 0);
    }

    CGalleryInstallationItem *Item(const wchar_t *identifier) const
    {
        CGalleryInstallation *installation = m_controller->GetInstallation();
        return installation ? installation->GetByIdentifier(identifier) : nullptr;
    }
    int Action(const wchar_t *identifier) const
    {
        const CGalleryInstallationItem *item = Item(identifier);
        return item ? item->GetAction() : -1;
    }

    std::shared_ptr<ConfigurationWrapper> m_configuration;
    std::shared_ptr<CInstallationController> m_controller;
    std::unique_ptr<MainWindow> m_window;
};

} // namespace WindowTest
