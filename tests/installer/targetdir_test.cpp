// The directory screen's check of the target as typed: what Windows would
// make elsewhere or under another name is refused, the rest taken as it is.
#include "installer/targetdir.h"

#include <gtest/gtest.h>

TEST(TargetDirectory, PathsWindowsKeepsAsTypedAreAccepted) {
    for (const char* path : {"C:\\WIDGET", "c:\\Apps\\My Widget 1.0", "D:\\", "C:\\WIDGET\\",
                             "C:\\a.b\\c d", "C:\\CONSOLE\\NULL.TXT\\COM10"}) {
        EXPECT_TRUE(targetacceptable(path)) << path;
    }
}

TEST(TargetDirectory, PathsWindowsWouldChangeOrMisplaceAreRefused) {
    for (const char* path : {"C:\\WIDGET ",
                             "C:\\WIDGET.",
                             "C:\\APPS \\WIDGET",
                             "C:\\APPS.\\WIDGET", // stripped
                             "C:\\..\\WIDGET",
                             "C:\\.", // dots
                             "WIDGET",
                             "\\WIDGET",
                             "C:WIDGET",
                             "1:\\WIDGET",
                             "\\\\server\\share", // relative
                             "C:\\CON",
                             "C:\\APPS\\nul.txt",
                             "C:\\Aux",
                             "C:\\PRN.",
                             "C:\\COM1",
                             "C:\\lpt9.log",
                             "C:\\A<B",
                             "C:\\A>B",
                             "C:\\A:B",
                             "C:\\A\"B",
                             "C:\\A|B",
                             "C:\\A?",
                             "C:\\A*",
                             "C:\\A\tB",
                             "C:\\A\x01",
                             "C:/WIDGET",
                             "C:\\APPS\\\\WIDGET",
                             "C:\\WIDGET\\\\",
                             ""}) {
        EXPECT_FALSE(targetacceptable(path)) << path;
    }
}
