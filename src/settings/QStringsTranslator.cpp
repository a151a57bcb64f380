#include "settings/QStringsTranslator.h"

#include "settings/LanguageTools.h"
#include "settings/ResourceManager.h"

bool QStringsTranslator::load(const QString &locale, const QString &project, const QString &directory)
{
    const unsigned int identifier = CLanguageTools::GetLangId(Text::FromQt(locale));
    return CResourceManagerFactory::Initialize(identifier, Text::FromQt(directory), Text::FromQt(project));
}

QString QStringsTranslator::translate(const char *context, const char *sourceText, const char *, int) const
{
    if (!sourceText) return QString();
    const auto manager = CResourceManagerFactory::GetResourceManager();
    if (!manager) return QString();
    const CAtlString source = Text::FromUtf8(sourceText);
    const CAtlString translation = manager->GetTranslatedString(context, sourceText);
    return translation == source ? QString() : Text::ToQt(translation);
}
