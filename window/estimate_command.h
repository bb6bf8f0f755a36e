// ファイル → 見積もり... (and 詳細設定's 見積もり... button): the input list estimated with the
// settings in force on the run's workers, while the progress bar steps and the run button reads
// "中止"; then its summary, whose 詳しく... opens every entry's line in the browser.
#pragma once

void OnEstimate();
