// Carrying out command-line commands.
#include "command_runner.h"

#include <commctrl.h>

#include <utility>

#include "capture/capture_state.h"
#include "capture/graph_control.h"
#include "framework/cwnd.h"
#include "resources/resource.h"
#include "snapshot/snapshot_pipeline.h"

namespace {

bool ButtonEnabled(HWND mainWnd, UINT commandId) {
    HWND toolbar = GetDlgItem(mainWnd, AFX_IDW_TOOLBAR);
    LRESULT state = toolbar ? SendMessageW(toolbar, TB_GETSTATE, commandId, 0) : -1;
    return state != -1 && (state & TBSTATE_ENABLED);
}

// Presses a toolbar button as its shortcut does: false while it is disabled.
bool PressButton(HWND mainWnd, UINT commandId) {
    if (!ButtonEnabled(mainWnd, commandId)) return false;
    SendMessageW(mainWnd, WM_COMMAND, commandId, 0);
    return true;
}

}  // namespace

void RunProgramCommand(HWND mainWnd, const PendingCommand& command) {
    int outcome = kCommandRefused;
    switch (command.command) {
        case ProgramCommand::Preview:
        case ProgramCommand::Record: {
            const bool record = command.command == ProgramCommand::Record;
            if (PressButton(mainWnd, record ? ID_RECORD : ID_PREVIEW) &&
                g_captureState == (record ? Recording : Previewing))
                outcome = kCommandDone;
            break;
        }
        case ProgramCommand::Stop:
            if (PressButton(mainWnd, ID_STOP)) outcome = kCommandDone;
            break;
        case ProgramCommand::Close:
            ReplyToCommand(command, kCommandDone);
            PostMessageW(mainWnd, WM_CLOSE, 0, 0);
            return;
        case ProgramCommand::Capture: {
            // A picture needs a running preview: one is started first, as a person would.
            if (g_captureState == Stopped) PressButton(mainWnd, ID_PREVIEW);
            if (g_captureState == Stopped || !ButtonEnabled(mainWnd, ID_CAPTURE)) break;
            SnapshotOptions options;
            options.path = command.capturePath;
            options.done = [command](PictureOutcome outcome) {
                ReplyToCommand(command, outcome == PictureOutcome::Saved ? kCommandDone : kCommandRefused);
            };
            RequestSnapshot(std::move(options));
            return;  // the outcome comes with the picture
        }
        case ProgramCommand::None:
            return;
    }
    ReplyToCommand(command, outcome);
}
