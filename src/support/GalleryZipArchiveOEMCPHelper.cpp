// The process-wide code-page provider and its scope object.
#include "support/GalleryZipArchiveOEMCPHelper.h"

#include <mutex>

namespace
{
std::mutex g_mutex;
IGalleryZipArchiveOEMCPHelper *g_helper = nullptr;
} // namespace

CGalleryZipArchiveOEMCPHelper::CGalleryZipArchiveOEMCPHelper(const CKeldaFilePath &archive)
{
    {
        const std::lock_guard<std::mutex> lock(g_mutex);
        m_helper = g_helper;
    }
    if (m_helper) m_token = m_helper->BeginArchive(archive);
}

CGalleryZipArchiveOEMCPHelper::~CGalleryZipArchiveOEMCPHelper()
{
    if (m_helper) m_helper->EndArchive(m_token);
}

bool CGalleryZipArchiveOEMCPHelper::RegisterHelper(IGalleryZipArchiveOEMCPHelper *helper)
{
    const std::lock_guard<std::mutex> lock(g_mutex);
    if (!helper || g_helper) return false;
    g_helper = helper;
    return true;
}

bool CGalleryZipArchiveOEMCPHelper::UnregisterHelper(IGalleryZipArchiveOEMCPHelper *helper)
{
    const std::lock_guard<std::mutex> lock(g_mutex);
    if (!helper || g_helper != helper) return false;
    g_helper = nullptr;
    return true;
}
