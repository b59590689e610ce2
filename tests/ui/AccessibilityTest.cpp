// The main window for keyboard users and screen readers: names, tooltips,
// the Tab order, shortcuts, Space on a button, the slider's value.
#include "MainWindowFixture.h"

#include "controls/BitmapSlider.h"
#include "controls/ColumnTreeCtrl.h"
#include "controls/TreeComboBox.h"

#include <QAccessible>
#include <QLineEdit>
#include <QTest>
#include <QTreeWidget>

using namespace qvtest;
using qv::CConverterDlg;

namespace {

// The order Tab walks, as control ids.
const std::vector<int> kTabOrder = {1006, 1008, 1007, 1018, 1010, 1011, 1012, 1013,
                                    1017, 1014, 1015, 1064, 1065, 1046, 1000, 1001,
                                    1002, 1019, 1005, 1004, 1039, 1041};

int IdOf(const QWidget* w) {
    for (; w; w = w->parentWidget())
        if (int id = w->property("controlId").toInt(); id >= 1000)
            return id;
    return 0;
}

} // namespace

class AccessibilityTest : public MainWindowTest {};

TEST_F(AccessibilityTest, EveryControlHasANameAndATooltipInBothLanguages) {
    for (const char* locale : {"en_US.UTF-8", "zh_CN.UTF-8"}) {
        ::setenv("LC_ALL", locale, 1);
        auto dlg = Open();
        for (int id : kTabOrder) {
            QWidget* w = dlg->Control(id);
            ASSERT_NE(w, nullptr) << id;
            EXPECT_FALSE(w->toolTip().isEmpty()) << locale << " " << id;
            EXPECT_FALSE(w->accessibleName().isEmpty()) << locale << " " << id;
        }
        if (std::string(locale).rfind("en", 0) == 0) {
            EXPECT_EQ(dlg->Control(1000)->toolTip(), "Add video files (Ctrl+O)");
            EXPECT_EQ(dlg->Control(1041)->accessibleName(), "Close");
        } else {
            EXPECT_EQ(dlg->Control(1000)->toolTip(), QString::fromUtf8("添加视频 (Ctrl+O)"));
        }
    }
    ::unsetenv("LC_ALL");
}

TEST_F(AccessibilityTest, TabWalksTheControlsInTheirOrder) {
    auto dlg = Open();
    std::vector<int> walked;
    QWidget* w = Tree(*dlg);
    for (int step = 0; step < 400 && walked.size() < kTabOrder.size(); ++step) {
        const int id = IdOf(w);
        if ((w->focusPolicy() & Qt::TabFocus) && id && (walked.empty() || walked.back() != id))
            walked.push_back(id);
        w = w->nextInFocusChain();
    }
    EXPECT_EQ(walked, kTabOrder);
}

TEST_F(AccessibilityTest, ShortcutsAndSpaceReachTheirHandlers) {
    auto dlg = Open();
    dlg->show();
    QApplication::setActiveWindow(dlg.get());
    services.filesAnswer = {MediaDir() + "av.mp4"};
    QTest::keyClick(dlg.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(HasEvent("files"));
    ASSERT_EQ(Tree(*dlg)->topLevelItemCount(), 1);
    QTest::keyClick(dlg.get(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_FALSE(modal.dialogs.empty());
    EXPECT_EQ(modal.dialogs.back(), "qv::CSelectDVDDlg");
    static_cast<QLineEdit*>(dlg->Control(1011))->setText("/no/such/folder/");
    QTest::keyClick(dlg.get(), Qt::Key_Return, Qt::ControlModifier);
    ASSERT_EQ(services.boxes.size(), 1u);

    // Space on a focused button presses it: the Help menu opens.
    dlg->Control(1004)->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dlg->Control(1004), Qt::Key_Space);
    EXPECT_EQ(modal.menus.size(), 1u);

    // Delete in the list removes; Ctrl+Q closes as the close button does.
    QTreeWidget* tree = Tree(*dlg);
    tree->setCurrentItem(tree->topLevelItem(0));
    QTest::keyClick(tree, Qt::Key_Delete);
    EXPECT_EQ(tree->topLevelItemCount(), 0);
    QTest::keyClick(dlg.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(dlg->isVisible());
    EXPECT_EQ(ReadIni("System", "Skin"), "Default");
}

TEST_F(AccessibilityTest, TheSliderIsASliderWhoseValueFollowsItsPosition) {
    auto dlg = Open();
    auto* seek = static_cast<qv::CBitmapSlider*>(dlg->Control(1046));
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(seek);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Slider);
    ASSERT_NE(a->valueInterface(), nullptr);
    EXPECT_EQ(a->valueInterface()->maximumValue().toInt(), 100);
    seek->SetPosition(42);
    EXPECT_EQ(a->valueInterface()->currentValue().toInt(), 42);
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(dlg->Control(1017));
    EXPECT_EQ(button->role(), QAccessible::Button);
    EXPECT_EQ(button->text(QAccessible::Name), "Start converting");
}

TEST_F(AccessibilityTest, TheProfileTreeClosesOnEscAndElsewhereAndTheKeysPickAProfile) {
    auto dlg = Open();
    dlg->show();
    QApplication::setActiveWindow(dlg.get());
    auto* chooser = static_cast<qv::CTreeComboBox*>(dlg->Control(1018));
    const std::string before = CurrentProfileName(*dlg);
    chooser->setFocus(Qt::TabFocusReason);
    QTest::keyClick(chooser, Qt::Key_Down); // opens
    ASSERT_TRUE(chooser->Dropped());
    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    EXPECT_FALSE(chooser->Dropped());
    EXPECT_TRUE(dlg->isVisible());

    chooser->ToggleDropDown();
    ASSERT_TRUE(chooser->Dropped());
    QTest::mouseClick(dlg->Control(1006)->isVisible() ? dlg->Control(1006) : dlg->Control(1011),
                      Qt::LeftButton);
    EXPECT_FALSE(chooser->Dropped());

    chooser->ToggleDropDown();
    QTest::keyClick(chooser, Qt::Key_Down);
    QTest::keyClick(chooser, Qt::Key_Return);
    EXPECT_FALSE(chooser->Dropped());
    EXPECT_NE(CurrentProfileName(*dlg), before);
}
