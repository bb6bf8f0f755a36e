// The "初期化" button: after a Yes, empties the input list and every choice list, restores the
// default settings, fills the panels again and saves.
#pragma once

void InitialiseSettings();
