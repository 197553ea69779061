#pragma once

// The two help texts, as the help window shows them.
extern const char kHelpTextEnglish[];
extern const char kHelpTextGerman[];
