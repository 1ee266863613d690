#include "services/app_state.h"

namespace {

// The white brush exists before the entry point runs, so every control-colour answer has it.
struct ProcessState {
    AppState state;
    ProcessState() { state.whiteBrush.reset(CreateSolidBrush(RGB(255, 255, 255))); }
};

ProcessState processState;

} // namespace

AppState& app() {
    return processState.state;
}
