// The two forms are peers that know nothing of each other; this is where
// the program joins them.
#pragma once

class TForm1;
class TForm2;

// START on the start form brings up the calculation form; MAIN there goes
// back to the start form; QUIT there ends the program by closing the start
// form, the main window.
void connectForms(TForm1& start, TForm2& calc);
