// The presets of the ファイル menu: 設定を名前を付けて保存... stores the settings the panels show
// under a name; 保存した設定... lists the stored ones to load, rename or delete.
#pragma once

void OnSavePreset();
void OnPresets();
