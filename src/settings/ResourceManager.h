// The program's translation tables. CResourceManagerLinux holds the pairs of one ".strings" file
// (the product name followed by ".strings" in the folder named after the language's "Code" inside
// the language-files folder); CResourceManagerFactory owns the one process-wide manager.
#pragma once

#include <memory>
#include <mutex>
#include <unordered_map>

#include "support/Text.h"

class IKeldaResourceManager
{
  public:
    virtual ~IKeldaResourceManager() = default;
    virtual bool Initialize(unsigned int identifier, const CAtlString &directory, const CAtlString &product) = 0;
    virtual CAtlString GetTranslatedString(const CAtlString &text) = 0;
    virtual CAtlString GetTranslatedString(const char *context, const char *utf8Text) = 0;
    virtual CAtlString GetUnTranslatedString(const CAtlString &text) = 0;
    virtual CAtlString getLanguage() = 0;
};

class CResourceManagerLinux : public IKeldaResourceManager
{
  public:
    // Loads the table of the language. An empty folder does nothing (false). The tables are cleared
    // first unless the identifier is the one already loaded. True when the file was read.
    bool Initialize(unsigned int identifier, const CAtlString &directory, const CAtlString &product) override;
    // The stored, non-empty translation; else the translation of the text with its entities replaced;
    // else the text itself.
    CAtlString GetTranslatedString(const CAtlString &text) override;
    // The context is not used: one table serves every context.
    CAtlString GetTranslatedString(const char *context, const char *utf8Text) override;
    // The source text of a translation, else the text itself.
    CAtlString GetUnTranslatedString(const CAtlString &text) override;
    // The locale name of the loaded language.
    CAtlString getLanguage() override;

    // True when a translation is stored for the text (directly or after entity replacement).
    bool HasTranslation(const CAtlString &text);
    // Replaces "&quot;", "&lt;" and "&gt;"; tells whether anything changed.
    static bool StandardString(CAtlString &text);

    // Reads one ".strings" file into the tables (later pairs replace earlier ones).
    bool LoadFile(const CAtlString &path);

  private:
    bool Lookup(const CAtlString &text, CAtlString *translation);

    std::mutex m_mutex;
    unsigned int m_identifier = 0;
    bool m_hasIdentifier = false;
    CAtlString m_localeName;
    CAtlString m_languageDirectory;
    std::unordered_map<CAtlString, CAtlString> m_translations;
    std::unordered_map<CAtlString, CAtlString> m_sources;
};

class CResourceManagerFactory
{
  public:
    // Frees the current manager first when the identifier differs from the last one, creates the
    // manager when needed and initializes it. True when its table was loaded.
    static bool Initialize(unsigned int identifier, const CAtlString &directory, const CAtlString &product);
    // The current manager, or null when none was created.
    static std::shared_ptr<IKeldaResourceManager> GetResourceManager();
    static void FreeResourceManager();
};
