// The host's options dialog at 144 DPI, in a process aware of it as OrvelCmd.exe is: the shell's
// dialog font, and with it every control, at the size the DPI asks for.
#include "harness/testhost.h"
#include "harness/hostrun.h"
#include "hostapp/hostapp.h"
#include "aware.h"

TEST_F(ModuleTest, OptionsDialogIsLaidOutInTheFontOfTheDpi)
{
    ASSERT_TRUE(Aware) << "the process could not be made aware of the DPI";
    char problem[512];
    ASSERT_TRUE(ActAsHostProgram(problem, sizeof problem)) << problem;

    WhenWindowAppears("#32770", [](HWND dialog) {
        LOGFONTA font = {};
        GetObjectA((HFONT)SendMessageA(dialog, WM_GETFONT, 0, 0), sizeof font, &font);
        EXPECT_EQ(abs(font.lfHeight), MulDiv(8, 144, 72)) << "8 points at 144 DPI";
        // A line of text in dialog units takes the font's height in pixels.
        RECT line = {0, 0, 4, 8};
        MapDialogRect(dialog, &line);
        EXPECT_GE(line.bottom * 10, MulDiv(8, 96, 72) * 14) << line.bottom;
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_FALSE(ShowOptionsDialog(Host.mainWindow));
    EXPECT_TRUE(ModalActionRan());
}
