// The graph catalogue: titles, markers and spacing of every series code, and
// every graph selection of the program. Plain data, no Qt.
#pragma once

namespace torv {

// Every graph selection: the run's two defaults and one per graph button.
enum class Sel {
    RunEnd,
    RunEndBalloon,
    Button9,
    Button10,
    Button22,
    Button27,
    Button2,
    Button3,
    Button4,
    Button6,
    Button7,
    Button8,
    Button11,
    Button12,
    Button14,
    Button15,
    Button17,
    Button18,
    ButtonP,
    ButtonCya,
    Button13,
};

// Writes the selection's codes into GraphCodes[0..n-1] (later entries keep
// their values), GraphCount = n + 1 and GraphPage = 0.
void applyGraphSelection(Sel s);

}  // namespace torv
