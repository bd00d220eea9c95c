#pragma once

// The pages' scripts and style sheets, compiled in from view/page/ so that
// every page is one file that needs nothing else.
extern const char* const REPLAY_TEXT_SCRIPT;  // words and numbers, before REPLAY_SCRIPT
extern const char* const REPLAY_SCRIPT;
extern const char* const REPLAY_STYLE;
extern const char* const REPLAY_BODY;  // the page skeleton; the sheet goes at <!--sheet-->
extern const char* const ANALYSIS_STYLE;
extern const char* const ANALYSIS_SCRIPT;  // the candidate table's selection
