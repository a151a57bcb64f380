// QStringsTranslator: a Qt translator that answers from the process-wide translation table
// (CResourceManagerFactory), so that tr() and QCoreApplication::translate use the ".strings" files.
#pragma once

#include <QTranslator>

class QStringsTranslator : public QTranslator
{
    Q_OBJECT
  public:
    using QTranslator::QTranslator;

    // Loads the table of the locale (its "ID" in the language list) for the project from the
    // language-files folder. False when the table cannot be read.
    bool load(const QString &locale, const QString &project, const QString &directory);

    // The stored translation of the UTF-8 source text, or an empty text when there is none (so that
    // other installed translators still get their turn).
    QString translate(const char *context, const char *sourceText, const char *disambiguation = nullptr,
                      int n = -1) const override;
    bool isEmpty() const override { return false; }
};
