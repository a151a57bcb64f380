#include "ui/dialogs/PathSelector.h"

#include "support/DirectoryManipulator.h"
#include "support/KeldaPath.h"
#include "support/Text.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

namespace
{
QString AskForFolder(QWidget *parent, const QString &title, const QString &start)
{
    return QFileDialog::getExistingDirectory(parent, title, start, QFileDialog::ShowDirsOnly);
}

PathSelector::AskFunction g_ask = &AskForFolder;
} // namespace

void PathSelector::SetAskFunctionForTesting(AskFunction ask)
{
    g_ask = ask ? ask : &AskForFolder;
}

bool PathSelector::SelectNewPath(const QString &title, QWidget *parent)
{
    for (;;) {
        const QString answer = g_ask(parent, title, m_path);
        if (answer.isEmpty()) return false;
        if (CheckWritePermissions(answer)) {
            m_path = answer;
            return true;
        }
        QMessageBox::warning(parent, QObject::tr("Trove"),
                             QObject::tr("You must have write permissions for this directory."));
    }
}

bool PathSelector::CheckWritePermissions(const QString &path)
{
    if (path.isEmpty()) return false;
    const CKeldaDirectoryPath directory(Text::FromQt(path));
    if (!CDirectoryManipulator::CreateDirectory(directory)) return false;
    // The name is only chosen here; opening it exclusively makes sure no file of someone else is used.
    const CKeldaFilePath probe = directory.CreateTempFileNameInDirectory(L"test", L".tmp");
    if (probe.IsEmptyPath()) return false;
    QFile file(Text::ToQt(probe.GetFilePathString()));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return false;
    const bool written = file.write("test", 4) == 4 && file.flush();
    file.close();
    file.remove();
    return written;
}
