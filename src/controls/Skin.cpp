#include "Skin.h"

#include "BmpButton.h"
#include "base/XMLParse.h"
#include "platform/ControlId.h"

#include <QVariant>

#include <climits>
#include <cstdlib>

namespace qv {

namespace {

struct Place {
    int left, top, length, height;
};

// Sizes beyond any screen are taken as no size at all.
bool Sane(const Place& p) {
    return p.length >= 0 && p.height >= 0 && p.length <= 16384 && p.height <= 16384 &&
           std::abs(p.left) <= 16384 && std::abs(p.top) <= 16384;
}

void Move(QWidget* control, const Place& p) {
    if (!Sane(p))
        return;
    control->setGeometry(p.left, p.top, p.length, p.height);
    control->raise(); // later entries lie above earlier ones
}

} // namespace

int LenientNumber(const std::string& text) {
    long long v = std::strtoll(text.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

std::string SkinFolder(const std::string& programFolder, const std::string& skinName) {
    return programFolder + "Skins/" + skinName + "/";
}

void ApplySkinControls(const std::string& folder, QWidget* window, const char* element) {
    XMLParse x;
    if (!window || !x.Open((folder + "SkinSetting.xml").c_str()))
        return;
    XMLParse::Node win = x.FindNode(x.FindNode({}, "AppSetting"), element);
    auto text = [&x](XMLParse::Node n, const char* name) {
        std::string out;
        x.NodeText(name, n, out);
        return out;
    };
    auto number = [&](XMLParse::Node n, const char* name) { return LenientNumber(text(n, name)); };
    auto place = [&](XMLParse::Node n) {
        return Place{number(n, "left"), number(n, "top"), number(n, "length"), number(n, "height")};
    };
    auto each = [&](const char* list, const char* entry, auto apply) {
        XMLParse::Node l = x.FindNode(win, list);
        const int count = std::min(x.CountNodes(entry, l), kMaxSkinEntries);
        // All entries are read first, then applied in the same order.
        std::vector<XMLParse::Node> nodes;
        for (int k = 0; k < count; ++k)
            nodes.push_back(x.FindNode(l, entry, k));
        for (XMLParse::Node n : nodes)
            apply(n);
    };

    each("BmpButtons", "BmpButton", [&](XMLParse::Node n) {
        auto* button = qobject_cast<CBmpButton*>(FindControl(window, number(n, "BmpButtonID")));
        if (!button)
            return;
        button->SetImage(LoadImageFile(folder + text(n, "szFilePath")));
        Move(button, place(n));
        if (number(n, "ButtonType") == 1)
            button->SetButtonKind(ButtonCheck);
        button->setVisible(number(n, "ButtonShowHide") != 1);
    });
    each("BmpStatics", "BmpStatic", [&](XMLParse::Node n) {
        QWidget* target = FindControl(window, number(n, "BmpStaticID"));
        if (!target || !target->property("imageStatic").toBool())
            return;
        // Never into itself or its own descendant: that would make a cycle.
        if (QWidget* parent = FindControl(window, number(n, "parentid"));
            parent && parent != target && !target->isAncestorOf(parent))
            target->setParent(parent);
        target->setProperty("image", LoadImageFile(folder + text(n, "szFilePath")));
        int ex = number(n, "extendnx"), ey = number(n, "extendny");
        target->setProperty("extendPoint", (ex == -1 || ey == -1) ? QPoint(0, 0) : QPoint(ex, ey));
        Move(target, place(n));
        target->show();
    });
    each("WindowsPos", "WindowPos", [&](XMLParse::Node n) {
        if (QWidget* control = FindControl(window, number(n, "ControlID")))
            Move(control, place(n));
    });
}

QRgb ReadSkinColour(const std::string& folder) {
    XMLParse x;
    if (!x.Open((folder + "SkinSetting.xml").c_str()))
        return kDefaultSkinColour;
    XMLParse::Node custom =
        x.FindNode(x.FindNode(x.FindNode({}, "AppSetting"), "MainDlgSetting"), "Custom");
    std::string value;
    x.NodeText("CtlBkColor", custom, value);
    return static_cast<QRgb>(LenientNumber(value));
}

bool SkinLoads(const std::string& folder, const char* element) {
    XMLParse x;
    if (!x.Open((folder + "SkinSetting.xml").c_str()))
        return false;
    XMLParse::Node win = x.FindNode(x.FindNode({}, "AppSetting"), element);
    auto loads = [&x, &folder](XMLParse::Node n) {
        std::string path;
        x.NodeText("szFilePath", n, path);
        return !path.empty() && !LoadImageFile(folder + path).isNull();
    };
    if (!loads(x.FindNode(win, "BackGround")))
        return false;
    XMLParse::Node buttons = x.FindNode(win, "BmpButtons");
    const int count = std::min(x.CountNodes("BmpButton", buttons), kMaxSkinEntries);
    if (count == 0)
        return false;
    for (int k = 0; k < count; ++k)
        if (!loads(x.FindNode(buttons, "BmpButton", k)))
            return false;
    return true;
}

void ApplySkinBackground(const std::string& folder, CBitmapEx& background, const char* element) {
    XMLParse x;
    if (!x.Open((folder + "SkinSetting.xml").c_str()))
        return;
    XMLParse::Node bg = x.FindNode(x.FindNode(x.FindNode({}, "AppSetting"), element), "BackGround");
    std::string path;
    x.NodeText("szFilePath", bg, path);
    background.Attach(LoadImageFile(folder + path));
}

} // namespace qv
