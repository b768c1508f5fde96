#include <gtest/gtest.h>

#include <X11/keysym.h>

#include "platform/VkKeysym.h"

using platform::keysymForVk;

TEST(VkKeysym, LettersDigitsAndFunctionKeysNameTheKey) {
    EXPECT_EQ(keysymForVk('A'), XK_a);
    EXPECT_EQ(keysymForVk('D'), XK_d);
    EXPECT_EQ(keysymForVk('Z'), XK_z);
    EXPECT_EQ(keysymForVk('0'), XK_0);
    EXPECT_EQ(keysymForVk('9'), XK_9);
    EXPECT_EQ(keysymForVk(112), XK_F1);
    EXPECT_EQ(keysymForVk(115), XK_F4);
    EXPECT_EQ(keysymForVk(116), XK_F5);
    EXPECT_EQ(keysymForVk(123), XK_F12);
}

TEST(VkKeysym, NavigationModifiersAndKeypad) {
    EXPECT_EQ(keysymForVk(33), XK_Prior);
    EXPECT_EQ(keysymForVk(34), XK_Next);
    EXPECT_EQ(keysymForVk(35), XK_End);
    EXPECT_EQ(keysymForVk(36), XK_Home);
    EXPECT_EQ(keysymForVk(37), XK_Left);
    EXPECT_EQ(keysymForVk(40), XK_Down);
    EXPECT_EQ(keysymForVk(45), XK_Insert);
    EXPECT_EQ(keysymForVk(46), XK_Delete);
    EXPECT_EQ(keysymForVk(8), XK_BackSpace);
    EXPECT_EQ(keysymForVk(9), XK_Tab);
    EXPECT_EQ(keysymForVk(13), XK_Return);
    EXPECT_EQ(keysymForVk(27), XK_Escape);
    EXPECT_EQ(keysymForVk(32), XK_space);
    EXPECT_EQ(keysymForVk(16), XK_Shift_L);
    EXPECT_EQ(keysymForVk(17), XK_Control_L);
    EXPECT_EQ(keysymForVk(18), XK_Alt_L);
    EXPECT_EQ(keysymForVk(161), XK_Shift_R);
    EXPECT_EQ(keysymForVk(163), XK_Control_R);
    EXPECT_EQ(keysymForVk(165), XK_Alt_R);
    EXPECT_EQ(keysymForVk(91), XK_Super_L);
    EXPECT_EQ(keysymForVk(96), XK_KP_0);
    EXPECT_EQ(keysymForVk(105), XK_KP_9);
    EXPECT_EQ(keysymForVk(106), XK_KP_Multiply);
    EXPECT_EQ(keysymForVk(109), XK_KP_Subtract);
    EXPECT_EQ(keysymForVk(111), XK_KP_Divide);
}

TEST(VkKeysym, OemPunctuation) {
    EXPECT_EQ(keysymForVk(186), XK_semicolon);
    EXPECT_EQ(keysymForVk(187), XK_equal);
    EXPECT_EQ(keysymForVk(188), XK_comma);
    EXPECT_EQ(keysymForVk(189), XK_minus);
    EXPECT_EQ(keysymForVk(190), XK_period);
    EXPECT_EQ(keysymForVk(191), XK_slash);
    EXPECT_EQ(keysymForVk(192), XK_grave);
    EXPECT_EQ(keysymForVk(219), XK_bracketleft);
    EXPECT_EQ(keysymForVk(220), XK_backslash);
    EXPECT_EQ(keysymForVk(221), XK_bracketright);
    EXPECT_EQ(keysymForVk(222), XK_apostrophe);
}

TEST(VkKeysym, UnmappedCodesGiveNothing) {
    for (int vk : {-1, 0, 1, 7, 10, 47, 58, 64, 136, 193, 218, 223, 255, 256, 100000})
        EXPECT_EQ(keysymForVk(vk), 0u) << vk;
}
