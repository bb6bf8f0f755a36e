// The preview command: copies the source picture beside the trial result and opens the
// preview page chosen by PREVIEW_TYPE with the desktop's browser.
#pragma once

void OnPreview();
