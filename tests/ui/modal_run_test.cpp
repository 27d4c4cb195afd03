// The wizard and the sheet through their real modal loops, driven by the
// widgets a user would click; the helper closes whatever is left open, so a
// failing run cannot hang.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>

#include "store/sif_file.h"
#include "tests/support/entry_fixture.h"
#include "tests/support/modal_helper.h"
#include "ui/entry_runners_ui.h"

using namespace menvolt_test;

namespace {

QPushButton* ButtonNamed(QWidget* window, const QString& text) {
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == text && button->isVisible()) return button;
    return nullptr;
}

QLineEdit* FirstVisibleEdit(QWidget* window) {
    for (QLineEdit* edit : window->findChildren<QLineEdit*>())
        if (edit->isVisible()) return edit;
    return nullptr;
}

struct ModalRunTest : EntryTest {};

TEST_F(ModalRunTest, WizardFinishesThroughItsOwnLoop) {
    menvolt_test::WriteText(HostFile("modal.img"), "image");
    menvolt_test::ModalAnswerer answer([](QWidget* wizard) {
        auto click = [wizard](const char* text) {
            QPushButton* button = ButtonNamed(wizard, QString::fromLatin1(text));
            ASSERT_NE(button, nullptr) << text;
            ASSERT_TRUE(button->isEnabled()) << text;
            button->click();
            QCoreApplication::sendPostedEvents();
        };
        click("&Next >");
        QLineEdit* description = FirstVisibleEdit(wizard);
        ASSERT_NE(description, nullptr);
        description->setText("Through the loop");
        QCoreApplication::sendPostedEvents();
        click("&Next >");
        QLineEdit* image = FirstVisibleEdit(wizard);
        ASSERT_NE(image, nullptr);
        image->setText("modal.img");
        QCoreApplication::sendPostedEvents();
        click("Finish");
    });
    MenuEntry entry(root);
    EXPECT_TRUE(RunCreateWizardSheet(entry, folder));
    EXPECT_TRUE(answer.Acted());
    EXPECT_TRUE(LoaderAccepted(HostFile("tool0.ldr"), folder + "tool0.ldr"));
    SifFile sif;
    ASSERT_TRUE(sif.Load(folder + "templates\\tool0.sif"));
    EXPECT_EQ(sif.GetDescription(), "Through the loop");
}

TEST_F(ModalRunTest, SheetCancelledByItsCloseButtonWritesNothing) {
    WriteEntry(0, "Menu", 2);
    const auto before = menvolt_test::ReadBytes(HostFile("templates/tool0.sif"));
    menvolt_test::ModalAnswerer answer([](QWidget* sheet) {
        if (auto* edit = FirstVisibleEdit(sheet)) edit->setText("Changed");
        sheet->close();
    });
    MenuEntry entry(root);
    ASSERT_TRUE(entry.Open(folder + "templates\\tool0.sif"));
    EXPECT_FALSE(RunEntryPropertySheet(entry));
    EXPECT_TRUE(answer.Acted());
    EXPECT_EQ(menvolt_test::ReadBytes(HostFile("templates/tool0.sif")), before);
}

}  // namespace
