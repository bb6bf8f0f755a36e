// The handlers of the option panels' notifications. Each reads the controls back (directly or
// through a refresh) so that every change is saved at once; edit boxes are corrected silently
// in place when they lose the focus.
#pragma once

// Width box (fallback "256") and height box (fallback "128"): a value of 0 or less or above
// 2500 becomes the fallback; then a refresh.
void OnResizeWidthFocusLost();
void OnResizeHeightFocusLost();
// Output format list and resize radios: a refresh, then a repaint.
void OnFormatOrResizeChanged();
// A control of the settings page of output format `format` changed: a refresh only when that
// format is the chosen output format, else a read-back.
void OnFormatPageChanged(int format);
// The number box shows its value in plain decimal; then OnSettingChanged.
void OnRenameNumberFocusLost();
// The step box: a value of 0 or less becomes 1; then OnSettingChanged.
void OnRenameStepFocusLost();
// The name and folder name boxes: the text is made safe with SanitiseName; then OnSettingChanged.
void OnRenameNameFocusLost();
void OnFolderNameFocusLost();
// A crop box of form `group` (1 or 2) lost the focus.
void OnCropBoxFocusLost(int group);
// Rewrites the eight crop boxes as plain decimal numbers within the crop range.
void NormaliseCropBoxes();
// Reads back, then updates the output-name preview when the input list has entries.
void OnSettingChanged();
// Lets the user choose the output folder; reads back whether chosen or cancelled.
void BrowseOutputFolder();
