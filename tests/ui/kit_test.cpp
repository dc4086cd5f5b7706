#include "text/encoding.h"
#include "ui/message_box.h"
#include "ui/png_image.h"
#include "ui/widgets.h"

#include <QBuffer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TEST(Png, DecodesColoursAndAlphaInPlace) {
    // Qt's own writer makes the file; our libpng reader must give back the same pixels.
    QImage src(3, 2, QImage::Format_ARGB32);
    const QRgb pixels[] = {qRgba(255, 0, 0, 255), qRgba(0, 255, 0, 255), qRgba(0, 0, 255, 255),
                           qRgba(10, 20, 30, 0),  qRgba(200, 100, 50, 128), qRgba(255, 255, 255, 255)};
    for (int i = 0; i < 6; ++i) src.setPixel(i % 3, i / 3, pixels[i]);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(src.save(&buf, "PNG"));
    const QImage img = tk::DecodePng(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    ASSERT_FALSE(img.isNull());
    EXPECT_EQ(img.format(), QImage::Format_ARGB32_Premultiplied);
    const QImage plain = img.convertToFormat(QImage::Format_ARGB32);
    for (int i = 0; i < 6; ++i) {
        const QRgb got = plain.pixel(i % 3, i / 3), want = pixels[i];
        EXPECT_EQ(qAlpha(got), qAlpha(want)) << i;
        if (qAlpha(want) == 255) {
            EXPECT_EQ(got, want) << i;
        }
        if (qAlpha(want) == 128) {
            EXPECT_NEAR(qRed(got), 200, 2) << i;
        }
    }
}

TEST(Png, RefusesWhatIsNotAPng) {
    EXPECT_TRUE(tk::DecodePng("").isNull());
    EXPECT_TRUE(tk::DecodePng("GIF89a not a png at all").isNull());
    EXPECT_TRUE(tk::DecodePng(std::string_view("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)).isNull()); // truncated
}

TEST(Png, TheWindowsPicturesAreEmbedded) {
    const struct {
        const char* name;
        int w, h;
    } pictures[] = {{"logo.png", 20, 20},         {"icon_user.png", 24, 24},     {"icon_lock.png", 24, 24},
                    {"icon_mail.png", 24, 24},    {"entry_row.png", 230, 40},    {"button_frame.png", 230, 32},
                    {"back.png", 23, 18},         {"back_hover.png", 23, 18},    {"notice_strip.png", 380, 24},
                    {"connecting.png", 400, 300}, {"banner_400.png", 400, 120}, {"banner_950.png", 950, 120}};
    for (const auto& p : pictures) {
        const QImage img = tk::Picture(QString::fromUtf8(p.name));
        ASSERT_FALSE(img.isNull()) << p.name;
        EXPECT_EQ(img.size(), QSize(p.w, p.h)) << p.name;
    }
    EXPECT_TRUE(tk::Picture("no-such-picture.png").isNull());
}

TEST(Messages, TheHookRecordsInsteadOfShowing) {
    tk::MessageRecorder rec;
    QWidget owner;
    owner.setObjectName("主窗口");
    tk::ShowMessage({tk::Gbk("你好"), tk::MessageIcon::Warning, {}});
    tk::ShowMessage({tk::Gbk("与服务器断开连接！"), tk::MessageIcon::Error, tk::Gbk("警告")}, &owner);
    ASSERT_EQ(rec.count(), 2u);
    EXPECT_EQ(rec.shown()[0].caption, tk::Gbk("信息："));
    EXPECT_EQ(rec.shown()[0].icon, tk::MessageIcon::Warning);
    EXPECT_TRUE(rec.shown()[0].ownerName.isEmpty());
    EXPECT_EQ(rec.shown()[1].text, tk::Gbk("与服务器断开连接！"));
    EXPECT_EQ(rec.shown()[1].caption, tk::Gbk("警告"));
    EXPECT_EQ(rec.shown()[1].ownerName, QString::fromUtf8("主窗口"));
}

TEST(SaveDialog, AnswersFromTheQueue) {
    tk::SaveFileAnswers answers;
    answers.push("/tmp/a.txt");
    EXPECT_EQ(tk::AskSaveFileName(nullptr, "x", "y", "z"), "/tmp/a.txt");
    EXPECT_EQ(tk::AskSaveFileName(nullptr, "x", "y", "z"), ""); // nothing queued: cancelled
    EXPECT_EQ(answers.asked(), 2);
}

TEST(Kit, PlacedControlsCarryTheirMemberNames) {
    QWidget parent;
    tk::EditBox* 编辑框_登录账号 = nullptr;
    TK_PLACE(编辑框_登录账号, tk::EditBox, &parent, 45, 5, 160, 30);
    EXPECT_EQ(编辑框_登录账号->objectName(), QString::fromUtf8("编辑框_登录账号"));
    EXPECT_EQ(编辑框_登录账号->geometry(), QRect(45, 5, 160, 30));
    EXPECT_EQ(parent.findChild<QWidget*>(QString::fromUtf8("编辑框_登录账号")), 编辑框_登录账号);
}

TEST(Kit, EditBoxLimitsCharactersAndSpeaksGbk) {
    tk::EditBox box;
    box.setLimit(5);
    QTest::keyClicks(&box, "abcdefgh");
    EXPECT_EQ(box.text(), "abcde");
    box.clear();
    box.setLimit(3);
    box.setText(QString::fromUtf8("青禾淘客"));
    EXPECT_EQ(box.gbkText(), tk::Gbk("青禾淘")); // characters, not bytes
    box.setMasked(true);
    EXPECT_EQ(box.echoMode(), QLineEdit::Password);
    box.setLimit(0);
    EXPECT_EQ(box.maxLength(), 32767);
}

TEST(Kit, HyperlinkActsOnButtonDown) {
    tk::HyperlinkLabel link;
    link.resize(60, 20);
    int downs = 0;
    QObject::connect(&link, &tk::HyperlinkLabel::leftButtonDown, [&] { ++downs; });
    QTest::mousePress(&link, Qt::LeftButton);
    EXPECT_EQ(downs, 1);
    QTest::mouseRelease(&link, Qt::LeftButton);
    QTest::mousePress(&link, Qt::RightButton);
    EXPECT_EQ(downs, 1);
}

TEST(Kit, OwnerDrawnButtonHintAndSelection) {
    tk::OwnerDrawnButton b;
    b.setText("登     录");
    b.setSecondText("登录账户");
    EXPECT_EQ(b.toolTip(), "登录账户");
    EXPECT_FALSE(b.isSelected());
    b.setSelected(true);
    EXPECT_TRUE(b.isSelected());
}

TEST(Kit, TimerPeriodZeroStops) {
    QTimer t;
    tk::SetTimerPeriod(t, 20);
    EXPECT_TRUE(t.isActive());
    EXPECT_EQ(t.interval(), 20);
    tk::SetTimerPeriod(t, 0);
    EXPECT_FALSE(t.isActive());
}

} // namespace
