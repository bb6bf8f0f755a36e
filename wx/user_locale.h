// The user's locale for the toolkit.
#pragma once

// Takes the user's locale, as a plain GTK program does at start (wxWidgets turns GTK's own
// setlocale off): file dialogs and Yes/No buttons then speak the user's language. Numbers stay
// in the C locale, in which the program reads and writes them.
void UseUserLocale();
