// The editor's font, 宋体 (SimSun), is the font of every character a document
// gives no font of its own, and the one most Chinese RTF files name. Linux
// desktops seldom have it. Asked for a family it does not know, fontconfig
// answers with its default sans-serif font (DejaVu Sans), which has no
// Chinese at all: Latin letters come out in DejaVu Sans and each Chinese
// character in whatever CJK font the per-character fallback picks, two
// unrelated faces side by side, and neither of them a serif like 宋体.
//
// installDesignFontFallback has Qt draw 宋体, where it is missing, in the
// installed font nearest to it: a CJK serif face (Noto Serif CJK SC, Source
// Han Serif, AR PL UMing) and, failing those, a CJK face that covers Latin
// too (WenQuanYi). It changes how the name is drawn, on screen and on paper,
// never the name: the document still records 宋体, and looks as meant where
// 宋体 is installed.
#pragma once

namespace pennaro {

// Installs the substitutes for 宋体 and its other names (SimSun, 新宋体,
// NSimSun). Once per process, before the first text is laid out.
void installDesignFontFallback();

}  // namespace pennaro
