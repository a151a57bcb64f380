#include "config/configuration/ConfigurationArchive.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <zip.h>

#include "support/SaveFile.h"

namespace ConfigurationArchive {
namespace {

bool IsSafeEntryName(const QString &name)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QChar(0))) return false;
    for (const QString &level : name.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        if (level == QLatin1String("..")) return false;
    return true;
}

bool IsLinkEntry(zip_t *zip, zip_uint64_t index)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(zip, index, 0, &system, &attributes) != 0) return false;
    return system == ZIP_OPSYS_UNIX && S_ISLNK(attributes >> 16);
}

} // namespace

bool UnzipToFolder(const CKeldaFilePath &archive, const CKeldaDirectoryPath &folder)
{
    int error = 0;
    zip_t *zip = zip_open(archive.GetFilePathStringA().c_str(), ZIP_RDONLY, &error);
    if (!zip) return false;
    const QDir root(Text::ToQt(folder.GetDirectoryPathString()));
    bool ok = root.exists() || QDir().mkpath(root.path());
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    for (zip_int64_t i = 0; ok && i < count; ++i) {
        const char *rawName = zip_get_name(zip, static_cast<zip_uint64_t>(i), ZIP_FL_ENC_GUESS);
        const QString name = QString::fromUtf8(rawName ? rawName : "");
        if (!IsSafeEntryName(name) || IsLinkEntry(zip, static_cast<zip_uint64_t>(i))) continue;
        const QString target = root.filePath(name);
        if (name.endsWith(QLatin1Char('/'))) {
            ok = QDir().mkpath(target);
            continue;
        }
        if (!QDir().mkpath(QFileInfo(target).path())) {
            ok = false;
            break;
        }
        zip_file_t *entry = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0);
        if (!entry) continue; // damaged entry
        std::string bytes;
        char buffer[65536];
        zip_int64_t read = 0;
        while ((read = zip_fread(entry, buffer, sizeof buffer)) > 0) bytes.append(buffer, static_cast<size_t>(read));
        zip_fclose(entry);
        if (read < 0) continue; // damaged entry
        ok = CSaveFile::WriteWholeFile(CKeldaFilePath(Text::FromQt(target)), bytes);
    }
    zip_discard(zip);
    return ok;
}

bool ZipFolderToFile(const CKeldaDirectoryPath &folder, const CKeldaFilePath &archive)
{
    const QDir root(Text::ToQt(folder.GetDirectoryPathString()));
    if (!root.exists()) return false;
    int error = 0;
    zip_t *zip = zip_open(archive.GetFilePathStringA().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip) return false;
    bool ok = true;
    QDirIterator it(root.path(), QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (ok && it.hasNext()) {
        const QString path = it.next();
        const QByteArray name = root.relativeFilePath(path).toUtf8();
        zip_source_t *source = zip_source_file(zip, QFile::encodeName(path).constData(), 0, -1);
        ok = source && zip_file_add(zip, name.constData(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) >= 0;
        if (!ok && source) zip_source_free(source);
    }
    if (!ok) {
        zip_discard(zip);
        return false;
    }
    return zip_close(zip) == 0;
}

} // namespace ConfigurationArchive
