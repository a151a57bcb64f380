// PathSelector: asks for a folder and insists that it can be written to.
#pragma once

#include <QString>

class QWidget;

class PathSelector
{
  public:
    void SetPath(const QString &path) { m_path = path; }
    QString GetPath() const { return m_path; }

    // Asks for an existing folder, starting at the current path, until a writable one is chosen (true,
    // kept as the path) or the question is cancelled (false, the path unchanged).
    bool SelectNewPath(const QString &title, QWidget *parent = nullptr);
    // Creates the folder when missing and writes and deletes a small file in it.
    static bool CheckWritePermissions(const QString &path);

    // Replaces the folder question (tests): returns the answer, empty for cancel.
    using AskFunction = QString (*)(QWidget *parent, const QString &title, const QString &start);
    static void SetAskFunctionForTesting(AskFunction ask);

  private:
    QString m_path;
};
