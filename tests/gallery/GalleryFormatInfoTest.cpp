// Format texts of records: parsing, flags and the display kind.
#include "gallery/facade/GalleryFormatInfo.h"

#include <gtest/gtest.h>

using Kind = CGalleryFormatInfo::eGalleryFormatKind;

TEST(GalleryFormatInfo, ParsesTypeAndParameters)
{
    const CGalleryFormatInfo info(L" Application/X-KeldaLabs-GalleryItem ; X-Original-Type = Image/PNG ;;"
                                  L"x-keldalabs-vellum-link=Web;bare");
    EXPECT_EQ(info.GetType(), L"application/x-keldalabs-galleryitem");
    EXPECT_EQ(info.GetSubtype(), L"x-keldalabs-galleryitem");
    EXPECT_TRUE(info.IsGalleryItem());
    EXPECT_EQ(info.GetOriginalType(), L"image/png");
    CAtlString value = L"unchanged";
    EXPECT_TRUE(info.GetParameter(L"BARE", value));
    EXPECT_EQ(value, L"");
    EXPECT_FALSE(info.GetParameter(L"missing", value));
    EXPECT_FALSE(info.GetParameter(nullptr, value));
    CAtlString link;
    EXPECT_TRUE(info.IsLink(&link));
    EXPECT_EQ(link, L"Web"); // values keep their text

    const CGalleryFormatInfo empty(nullptr);
    EXPECT_EQ(empty.GetType(), L"");
    EXPECT_EQ(empty.GetSubtype(), L"");
    EXPECT_EQ(empty.GetKind(), CGalleryFormatInfo::eGalleryFormatKindUnknown);
}

TEST(GalleryFormatInfo, KindOfEachDocumentedFormat)
{
    const std::wstring item = L"application/x-keldalabs-galleryitem;x-original-type=";
    const std::wstring page = L"application/x-keldalabs-vellum";
    for (const auto &[format, kind] : std::vector<std::pair<std::wstring, Kind>>{
             {item + L"image/png", CGalleryFormatInfo::eGalleryFormatKindImage},
             {item + L"image/xml+svg", CGalleryFormatInfo::eGalleryFormatKindImage},
             {item + L"audio/mp3", CGalleryFormatInfo::eGalleryFormatKindAudio},
             {item + L"flv-application/octet-stream", CGalleryFormatInfo::eGalleryFormatKindVideo},
             {item + L"application/x-shockwave-flash", CGalleryFormatInfo::eGalleryFormatKindFlash},
             {item + L"image/jpeg;x-keldalabs-vellum-page=background",
              CGalleryFormatInfo::eGalleryFormatKindBackground},
             {page, CGalleryFormatInfo::eGalleryFormatKindPage},
             {page + L";x-keldalabs-vellum-page=template", CGalleryFormatInfo::eGalleryFormatKindTemplate},
             {page + L";x-keldalabs-vellum-page=THEME", CGalleryFormatInfo::eGalleryFormatKindTheme},
             {page + L";x-keldalabs-vellum-link=shortcut", CGalleryFormatInfo::eGalleryFormatKindLink},
             {page + L";x-keldalabs-vellum-sound=yes", CGalleryFormatInfo::eGalleryFormatKindPage},
             {L"application/x-keldalabs-gallery-lessonactivity", CGalleryFormatInfo::eGalleryFormatKindLessonActivity},
             {L"application/x-keldalabs-gallery-website", CGalleryFormatInfo::eGalleryFormatKindWebSite},
             {item + L"application/x-keldalabs-gallery-website", CGalleryFormatInfo::eGalleryFormatKindWebSite},
             {item + L"text/plain;x-keldalabs-vellum-sound=yes", CGalleryFormatInfo::eGalleryFormatKindAudio},
             {L"application/octet-stream", CGalleryFormatInfo::eGalleryFormatKindUnknown},
             {item + L"image/png;x-keldalabs-vellum-page=other", CGalleryFormatInfo::eGalleryFormatKindImage},
         })
        EXPECT_EQ(CGalleryFormatInfo(format.c_str()).GetKind(), kind) << Text::ToUtf8(format);
}

TEST(GalleryFormatInfo, FlagsNeedTheirDocumentedValue)
{
    const CGalleryFormatInfo on(L"application/x-keldalabs-vellum;x-keldalabs-vellum-ink=yes;"
                                L"x-keldalabs-vellum-table=YES;x-keldalabs-vellum-text=yes;"
                                L"x-keldalabs-vellum-animation=yes;x-keldalabs-vellum-sound=yes");
    EXPECT_TRUE(on.IsInk() && on.IsTable() && on.IsText() && on.IsAnimation() && on.IsSound());
    const CGalleryFormatInfo off(L"application/x-keldalabs-vellum;x-keldalabs-vellum-ink=no;"
                                 L"x-keldalabs-vellum-table;x-keldalabs-vellum-text=");
    EXPECT_FALSE(off.IsInk() || off.IsTable() || off.IsText() || off.IsAnimation() || off.IsSound() || off.IsLink());
}
