// CKELDALanguageSettingsCache: the user-interface and handwriting languages that the user chose for
// one of the maker's applications, read from the shared "Lingo Setup" settings (user scope, group of
// the application: "LanguageID" and "HandwritingId", hexadecimal). One process-wide instance.
#pragma once

#include <map>
#include <memory>

#include "support/Text.h"

class IGUILang
{
  public:
    virtual ~IGUILang() = default;
    virtual bool IsUIRightToLeft() = 0;
    virtual void RefreshCurrentUILanguageCache() = 0;
    virtual bool IsCJKLanguage() = 0;
    virtual unsigned int GetCurrentUserLanguageID() = 0;
    virtual CAtlString GetCurrentUserLanguageLocaleCode() = 0;
    virtual CAtlString GetCurrentUserLanguageLocaleID4ICU() = 0;
};

class CKELDALanguageSettingsCache : public IGUILang
{
  public:
    // Creates the instance on first use; a later non-empty, different application name replaces it.
    static CKELDALanguageSettingsCache *GetInstance(const CAtlString &application = CAtlString());

    // The user-interface language is written right to left ("RightToLeft" is "1" in the list).
    bool IsUIRightToLeft() override;
    // Re-reads "LanguageID" (0 or unreadable: the system language) and "HandwritingId" (0 when absent).
    void RefreshCurrentUILanguageCache() override;
    // The user-interface language is Chinese, Japanese or Korean.
    bool IsCJKLanguage() override;
    unsigned int GetCurrentUserLanguageID() override;
    CAtlString GetCurrentUserLanguageLocaleCode() override;
    CAtlString GetCurrentUserLanguageLocaleID4ICU() override;
    unsigned int GetCurrentRecoLanguageID() const { return m_recoLanguage; }

    const CAtlString &Application() const { return m_application; }
    // The settings key of an application: "Software\Kelda Labs\Lingo Setup\" and its name.
    CAtlString SettingsKey(const CAtlString &application) const;

  private:
    explicit CKELDALanguageSettingsCache(const CAtlString &application);

    CAtlString m_application;
    std::map<CAtlString, CAtlString> m_keys;
    unsigned int m_uiLanguage = 0;
    unsigned int m_recoLanguage = 0;
};
