// The window icon that the program sets is compiled into every program that links the app library.
#include <QFile>
#include <QIcon>
#include <QImage>

#include <gtest/gtest.h>

TEST(IconResourceTest, WindowIconIsCompiledIn)
{
    const QString name = QStringLiteral(":/images/trove.png");
    ASSERT_TRUE(QFile::exists(name));
    const QImage image(name);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), image.height());
    EXPECT_GE(image.width(), 64);
    EXPECT_FALSE(QIcon(name).isNull());
}
