// The X11 window system and keyboard against a private Xvfb, bare and under openbox.
#include <gtest/gtest.h>

#include <QString>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "platform/Platform.h"
#include "platform/X11Services.h"
#include "tests/support/Wait.h"
#include "tests/support/XvfbSession.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace platform;
using kvtest::KeyRecorder;
using kvtest::spinUntil;
using kvtest::XvfbSession;

namespace {

const char kShowTitle[] = "演示文稿1.ppt - PowerPoint 幻灯片放映";

bool contains(const std::vector<WindowId> &list, WindowId w) {
    return std::find(list.begin(), list.end(), w) != list.end();
}

// The page, close and Alt+F4 keys the host drives PowerPoint with.
void pressHostKeys(Keyboard &kb) {
    for (int vk : {34, 33, 36, 35, 27}) kb.press(vk);
    kb.keyDown(18);
    kb.keyDown(115);
    kb.keyUp(115);
    kb.keyUp(18);
}

const std::vector<std::string> kHostKeysSeen = {
    "press Next",    "release Next",  "press Prior",  "release Prior", "press Home",
    "release Home",  "press End",     "release End",  "press Escape",  "release Escape",
    "press Alt_L",   "press F4",      "release F4",   "release Alt_L"};

class X11Test : public ::testing::Test {
protected:
    void start(XvfbSession::Wm wm) {
        x = std::make_unique<XvfbSession>(wm);
        ASSERT_TRUE(x->ok()) << x->error();
        windows = makeX11WindowSystem();
        keyboard = makeX11Keyboard();
        ASSERT_TRUE(windows);
        ASSERT_TRUE(keyboard);
    }
    void TearDown() override {
        // X connections close before their server goes.
        windows.reset();
        keyboard.reset();
        recorders.clear();
        x.reset();
    }
    KeyRecorder &recorder(const std::string &title) {
        recorders.push_back(std::make_unique<KeyRecorder>(title));
        EXPECT_TRUE(recorders.back()->ok()) << title;
        return *recorders.back();
    }

    std::unique_ptr<XvfbSession> x;
    std::shared_ptr<WindowSystem> windows;
    std::shared_ptr<Keyboard> keyboard;
    std::vector<std::unique_ptr<KeyRecorder>> recorders;
};

class X11BareTest : public X11Test {
protected:
    void SetUp() override {
        KV_REQUIRE_XVFB();
        start(XvfbSession::Wm::NoManager);
    }
};

class X11OpenboxTest : public X11Test {
protected:
    void SetUp() override {
        KV_REQUIRE_OPENBOX();
        start(XvfbSession::Wm::Openbox);
    }
};

}  // namespace

TEST_F(X11BareTest, FindsWindowsTopmostFirstWithExactChineseTitles) {
    KeyRecorder &show = recorder(kShowTitle);
    KeyRecorder &other = recorder("其他窗口");
    auto list = windows->topLevelWindows();
    ASSERT_TRUE(contains(list, show.window()));
    ASSERT_TRUE(contains(list, other.window()));
    // Mapped later, so above.
    EXPECT_LT(std::find(list.begin(), list.end(), other.window()),
              std::find(list.begin(), list.end(), show.window()));
    EXPECT_EQ(windows->title(show.window()), QString::fromUtf8(kShowTitle));
    EXPECT_EQ(windows->title(other.window()), QString::fromUtf8("其他窗口"));
    EXPECT_TRUE(windows->isVisible(show.window()));
    for (WindowId w : list) EXPECT_FALSE(windows->title(w).isEmpty()) << "untitled window listed";
}

TEST_F(X11BareTest, SwitchedWindowGetsTheKeysInOrder) {
    KeyRecorder &show = recorder(kShowTitle);
    KeyRecorder &other = recorder("其他窗口");
    windows->switchTo(show.window());
    EXPECT_EQ(windows->foreground(), show.window());
    EXPECT_EQ(windows->topLevelWindows().front(), show.window());
    pressHostKeys(*keyboard);
    EXPECT_EQ(show.waitForKeys(kHostKeysSeen.size()), kHostKeysSeen);
    const auto &events = show.waitForEvents(kHostKeysSeen.size());
    EXPECT_TRUE(std::is_sorted(events.begin(), events.end(),
                               [](const auto &a, const auto &b) { return a.time < b.time; }));

    windows->switchTo(other.window());
    EXPECT_EQ(windows->foreground(), other.window());
    keyboard->press(116);
    EXPECT_EQ(other.waitForKeys(2), (std::vector<std::string>{"press F5", "release F5"}));
    EXPECT_EQ(show.settle(100).size(), kHostKeysSeen.size()) << "a key went to the window behind";
}

TEST_F(X11BareTest, UnmappedCodesPressNothingAndOemKeysArrive) {
    KeyRecorder &rec = recorder("keys");
    windows->switchTo(rec.window());
    for (int vk : {0, 7, 136, 255, 100000, -5}) keyboard->press(vk);
    for (int vk : {189, 186, 222, 13}) keyboard->press(vk);
    EXPECT_EQ(rec.waitForKeys(8),
              (std::vector<std::string>{"press minus", "release minus", "press semicolon",
                                        "release semicolon", "press apostrophe", "release apostrophe",
                                        "press Return", "release Return"}));
}

TEST_F(X11BareTest, MinimizeHidesAndSwitchToRestores) {
    KeyRecorder &rec = recorder(kShowTitle);
    windows->minimize(rec.window());
    EXPECT_FALSE(windows->isVisible(rec.window()));
    EXPECT_TRUE(contains(windows->topLevelWindows(), rec.window()));  // hidden windows are walked too
    windows->switchTo(rec.window());
    EXPECT_TRUE(windows->isVisible(rec.window()));
    EXPECT_EQ(windows->foreground(), rec.window());
}

TEST_F(X11BareTest, TitleFallbacksFramesAndVanishedWindows) {
    Display *d = XOpenDisplay(nullptr);
    ASSERT_TRUE(d);
    Window root = DefaultRootWindow(d);
    auto make = [&](Window parent) { return XCreateSimpleWindow(d, parent, 0, 0, 50, 50, 0, 0, 0); };
    auto setName = [&](Window w, Atom type, const std::string &bytes) {
        XChangeProperty(d, w, XA_WM_NAME, type, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char *>(bytes.data()), int(bytes.size()));
    };
    Window latin = make(root);
    setName(latin, XA_STRING, "Caf\xe9 - PowerPoint");
    Window utf8 = make(root);
    setName(utf8, XInternAtom(d, "UTF8_STRING", False), "幻灯片放映 - PowerPoint");
    Window longTitle = make(root);
    setName(longTitle, XA_STRING, std::string(300, 'x'));
    Window untitled = make(root);
    // A frame left by a window manager: the title lives one level down.
    Window frame = make(root);
    Window client = make(frame);
    setName(client, XA_STRING, "framed - PowerPoint");
    Window gone = make(root);
    setName(gone, XA_STRING, "gone");
    XMapWindow(d, client);
    XMapWindow(d, frame);
    XSync(d, False);

    auto list = windows->topLevelWindows();
    EXPECT_EQ(windows->title(latin), QString::fromUtf8("Café - PowerPoint"));
    EXPECT_EQ(windows->title(utf8), QString::fromUtf8("幻灯片放映 - PowerPoint"));
    EXPECT_EQ(windows->title(longTitle), QString(254, 'x'));
    EXPECT_FALSE(contains(list, untitled));
    EXPECT_TRUE(contains(list, client));
    EXPECT_FALSE(contains(list, frame));
    EXPECT_FALSE(windows->isVisible(latin));  // never mapped
    EXPECT_TRUE(windows->isVisible(client));

    windows->switchTo(client);
    EXPECT_EQ(windows->foreground(), client);

    XDestroyWindow(d, gone);
    XSync(d, False);
    EXPECT_TRUE(windows->title(gone).isEmpty());
    EXPECT_FALSE(windows->isVisible(gone));
    windows->switchTo(gone);
    windows->minimize(gone);
    EXPECT_FALSE(contains(windows->topLevelWindows(), gone));
    EXPECT_EQ(windows->foreground(), client);
    XCloseDisplay(d);
}

TEST_F(X11OpenboxTest, SwitchToRaisesFocusesAndDeliversKeys) {
    KeyRecorder &show = recorder(kShowTitle);
    KeyRecorder &other = recorder("其他窗口");
    ASSERT_TRUE(spinUntil([&] {
        auto l = windows->topLevelWindows();
        return contains(l, show.window()) && contains(l, other.window());
    }));
    // Let the manager finish focusing the newest window before asking for another.
    ASSERT_TRUE(spinUntil([&] { return windows->foreground() == other.window(); }));
    EXPECT_EQ(windows->title(show.window()), QString::fromUtf8(kShowTitle));

    windows->switchTo(show.window());
    // switchTo waits for the manager, but only so long: a loaded machine may need more.
    ASSERT_TRUE(spinUntil([&] { return windows->foreground() == show.window(); }));
    EXPECT_TRUE(spinUntil([&] { return windows->topLevelWindows().front() == show.window(); }));
    pressHostKeys(*keyboard);
    EXPECT_EQ(show.waitForKeys(kHostKeysSeen.size()), kHostKeysSeen);

    windows->switchTo(other.window());
    ASSERT_TRUE(spinUntil([&] { return windows->foreground() == other.window(); }));
    // Only managed clients, topmost first (the manager's own windows are not listed).
    EXPECT_TRUE(spinUntil([&] {
        return windows->topLevelWindows() == std::vector<WindowId>{other.window(), show.window()};
    }));
    keyboard->press(34);
    EXPECT_EQ(other.waitForKeys(2), (std::vector<std::string>{"press Next", "release Next"}));
    EXPECT_EQ(show.settle(100).size(), kHostKeysSeen.size());
}

TEST_F(X11OpenboxTest, MinimizeIconifiesAndSwitchToRestores) {
    KeyRecorder &show = recorder(kShowTitle);
    ASSERT_TRUE(spinUntil([&] { return contains(windows->topLevelWindows(), show.window()); }));
    ASSERT_TRUE(spinUntil([&] { return windows->isVisible(show.window()); }));
    ASSERT_TRUE(spinUntil([&] { return windows->foreground() == show.window(); }));

    windows->minimize(show.window());
    EXPECT_TRUE(spinUntil([&] { return !windows->isVisible(show.window()); }));
    EXPECT_TRUE(contains(windows->topLevelWindows(), show.window()));
    EXPECT_EQ(windows->title(show.window()), QString::fromUtf8(kShowTitle));

    windows->switchTo(show.window());
    EXPECT_TRUE(spinUntil([&] { return windows->isVisible(show.window()); }));
    ASSERT_TRUE(spinUntil([&] { return windows->foreground() == show.window(); }));
    keyboard->press(27);
    EXPECT_EQ(show.waitForKeys(2), (std::vector<std::string>{"press Escape", "release Escape"}));
}

TEST_F(X11OpenboxTest, AWindowThatNeverComesForwardHoldsTheSwitchOnlyBriefly) {
    Display *d = XOpenDisplay(nullptr);
    XSetWindowAttributes unmanaged{};
    unmanaged.override_redirect = True;
    Window w = XCreateWindow(d, DefaultRootWindow(d), 0, 0, 50, 50, 0, CopyFromParent, InputOutput,
                             CopyFromParent, CWOverrideRedirect, &unmanaged);
    XMapWindow(d, w);
    XSync(d, False);
    const auto start = std::chrono::steady_clock::now();
    windows->switchTo(w);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    XCloseDisplay(d);
}

TEST(X11NoDisplay, NullServicesFindAndPressNothing) {
    const char *old = std::getenv("DISPLAY");
    const std::string saved = old ? old : "";
    unsetenv("DISPLAY");
    EXPECT_FALSE(makeX11WindowSystem());
    EXPECT_FALSE(makeX11Keyboard());
    setenv("DISPLAY", ":4999", 1);  // nobody serves it
    EXPECT_FALSE(makeX11WindowSystem());
    unsetenv("DISPLAY");
    Services s = realServices();
    ASSERT_TRUE(s.windows);
    ASSERT_TRUE(s.keyboard);
    EXPECT_TRUE(s.windows->topLevelWindows().empty());
    EXPECT_EQ(s.windows->foreground(), 0u);
    s.keyboard->press(34);
    s.windows->switchTo(1234);
    if (old) setenv("DISPLAY", saved.c_str(), 1);
}
