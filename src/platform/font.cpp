// SPDX-License-Identifier: MIT
// Fonts behind CDC::TextOut: a LOGFONT resolved through fontconfig to FreeType faces, scaled
// to its cell, and glyphs rendered into cached coverage images. Paints nothing itself.
//
// A LOGFONT's positive lfHeight is the cell height: the face's ascent plus descent (from
// its hhea table) scaled to it. lfWidth is the advance of a half-width character; the
// outline is scaled across on its own to give that advance, so fonts can be narrowed or
// widened as the Windows font mapper does. Outlines are rendered unhinted with grey
// antialiasing. Nothing here is visible to callers except through the images it returns:
// opened faces, resolved requests, scaled instances and rendered glyphs are all cached.
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_ADVANCES_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/font.h"

// One opened font file: a face that glyphs can come from, with its line metrics in font
// units. Faces stay open for the whole run.
struct FontFace {
  ~FontFace() {
    if (ft != nullptr) FT_Done_Face(ft);
  }
  FT_Face ft = nullptr;
  std::string family;
  bool bBold = false;       // the face's own design is bold
  double dAscent = 0;       // font units, above the baseline
  double dDescent = 0;      // font units, below the baseline (positive)
  double dHalfAdvance = 0;  // font units: the advance of a half-width character
};

// What a LOGFONT asks of fontconfig, without its size: a face name, a character set, a
// pitch and a weight. Holds the face that best matches, and the faces that stand in for it
// character by character.
struct FontRequest {
  ~FontRequest() {
    if (pCandidates != nullptr) FcFontSetDestroy(pCandidates);
    if (pPattern != nullptr) FcPatternDestroy(pPattern);
  }
  bool bBold = false;
  FontFace* pPrimary = nullptr;
  FcFontSet* pCandidates = nullptr;                 // every face, best match first; lazily
  FcPattern* pPattern = nullptr;                    // the substituted request
  std::unordered_map<uint32_t, FontFace*> fallback;  // code point -> face that has it, or null
};

// A request at one size: what TextOut paints with.
struct FontInstance {
  FontRequest* pRequest = nullptr;
  FontMetrics metrics{};
  uint32_t nSerial = 0;  // names the instance in glyph cache keys
};

// A glyph's whole cell painted in one pair of colours.
struct ColouredCell {
  uint32_t rgbText, rgbBack;
  std::vector<uint32_t> pixels;
};

// A rendered glyph: coverage of the inked part of its cell, and that cell in the colours
// it was last drawn in.
struct CachedGlyph {
  int nLeft = 0, nTop = 0, nWidth = 0, nHeight = 0;
  std::vector<uint8_t> coverage;
  std::vector<ColouredCell> coloured;  // most recently made last
};

// Colour pairs kept per glyph: a screen uses a handful of text colours on white.
static constexpr size_t MAX_COLOURS_PER_GLYPH = 6;

// The FreeType library outlives every face: it is released after them, at exit.
struct FreeTypeLibrary {
  ~FreeTypeLibrary() {
    if (library != nullptr) FT_Done_FreeType(library);
  }
  FT_Library library = nullptr;
};
static FreeTypeLibrary s_freeType;
static FT_Library& s_ftLibrary = s_freeType.library;
static bool s_bFontsReady = false;
static std::map<std::string, std::unique_ptr<FontFace>> s_faces;  // by file and index
static std::map<std::string, std::unique_ptr<FontRequest>> s_requests;
static std::unordered_map<std::string, std::unique_ptr<FontInstance>> s_instances;
static std::unordered_map<uint64_t, CachedGlyph> s_glyphs;
static size_t s_nGlyphBytes = 0;
static uint32_t s_nNextSerial = 1;

// Bounds for the caches, which otherwise grow with every window size the user tries.
static constexpr size_t MAX_GLYPH_BYTES = 32u << 20;
static constexpr size_t MAX_INSTANCES = 512;
static constexpr int MAX_CELL_PIXELS = 2048;

// fontconfig reads its configuration and the caches of every font directory, and FreeType
// starts: a few milliseconds, which a real window spends on a second thread while the window
// is made and shown (PrepareFontsInBackground), and tests spend on their first text.
static bool InitFontLibraries() {
  if (FcInit() != FcTrue) {
    fputs(_("numdril: fontconfig could not be initialised; text is drawn as boxes\n"), stderr);
    return false;
  }
  if (FT_Init_FreeType(&s_ftLibrary) != 0) {
    fputs(_("numdril: FreeType could not be initialised; text is drawn as boxes\n"), stderr);
    return false;
  }
  return true;
}

// The thread of PrepareFontsInBackground, joined by the first text drawn, or at exit before
// the FreeType library goes (it is declared after s_freeType, so it is destroyed first).
struct FontPreparation {
  ~FontPreparation() {
    if (thread.joinable()) thread.join();
  }
  std::thread thread;
  bool bReady = false;  // written by the thread; read only after joining it
};
static FontPreparation s_preparation;
static bool s_bTried = false;

void PrepareFontsInBackground() {
  if (s_bTried || s_preparation.thread.joinable()) return;
  try {
    s_preparation.thread = std::thread([] { s_preparation.bReady = InitFontLibraries(); });
  } catch (const std::system_error&) {
    // No thread to be had: the first text does the work instead.
  }
}

static bool EnsureFontsReady() {
  if (s_bTried) return s_bFontsReady;
  s_bTried = true;
  if (s_preparation.thread.joinable()) {
    s_preparation.thread.join();
    s_bFontsReady = s_preparation.bReady;
  } else {
    s_bFontsReady = InitFontLibraries();
  }
  return s_bFontsReady;
}

static FontFace* OpenFace(FcPattern* pFont) {
  FcChar8* file = nullptr;
  int nIndex = 0;
  if (FcPatternGetString(pFont, FC_FILE, 0, &file) != FcResultMatch) return nullptr;
  FcPatternGetInteger(pFont, FC_INDEX, 0, &nIndex);
  std::string key = std::string((const char*)file) + "#" + std::to_string(nIndex);
  auto it = s_faces.find(key);
  if (it != s_faces.end()) return it->second.get();

  auto face = std::make_unique<FontFace>();
  if (FT_New_Face(s_ftLibrary, (const char*)file, nIndex, &face->ft) != 0 ||
      !FT_IS_SCALABLE(face->ft)) {
    s_faces[key] = nullptr;  // the face, if opened at all, closes as it goes
    return nullptr;
  }
  FT_Face ft = face->ft;
  FcChar8* family = nullptr;
  if (FcPatternGetString(pFont, FC_FAMILY, 0, &family) == FcResultMatch)
    face->family = (const char*)family;
  else if (ft->family_name)
    face->family = ft->family_name;
  face->bBold = (ft->style_flags & FT_STYLE_FLAG_BOLD) != 0;
  // The line metrics of hhea (the typographic ones): a Japanese face's em box fills its
  // cell then, as the faces the program was drawn with do. The Windows metrics stand in
  // where hhea is empty.
  face->dAscent = ft->ascender;
  face->dDescent = -ft->descender;
  const TT_OS2* os2 = (const TT_OS2*)FT_Get_Sfnt_Table(ft, FT_SFNT_OS2);
  if (face->dAscent + face->dDescent <= 0 && os2 != nullptr && os2->version != 0xFFFF) {
    face->dAscent = os2->usWinAscent;
    face->dDescent = os2->usWinDescent;
  }
  if (face->dAscent + face->dDescent <= 0) {
    face->dAscent = ft->units_per_EM * 0.8;
    face->dDescent = ft->units_per_EM * 0.2;
  }
  // The half-width advance: that of the digit zero, which every fixed-pitch face sizes as
  // its pitch; half an em for a face without one.
  face->dHalfAdvance = ft->units_per_EM / 2.0;
  FT_UInt gi = FT_Get_Char_Index(ft, '0');
  FT_Fixed advance = 0;
  if (gi != 0 && FT_Get_Advance(ft, gi, FT_LOAD_NO_SCALE, &advance) == 0 && advance > 0)
    face->dHalfAdvance = (double)advance;
  FontFace* p = face.get();
  s_faces[key] = std::move(face);
  return p;
}

static bool FaceHasChar(const FontFace* pFace, uint32_t nCodePoint) {
  return pFace != nullptr && FT_Get_Char_Index(pFace->ft, nCodePoint) != 0;
}

// Whether fontconfig's match carries the asked-for name among its family names.
static bool MatchIsNamed(FcPattern* pFont, const std::string& name) {
  FcChar8* family = nullptr;
  for (int i = 0; FcPatternGetString(pFont, FC_FAMILY, i, &family) == FcResultMatch; i++)
    if (FcStrCmpIgnoreCase(family, (const FcChar8*)name.c_str()) == 0) return true;
  return false;
}

// Whether a face's Latin characters all advance alike. (What fontconfig's match says of
// spacing may be the request's own, copied over.)
static bool IsFixedPitch(const FontFace* pFace) {
  for (char ch : std::string("iWm.")) {
    FT_UInt gi = FT_Get_Char_Index(pFace->ft, (FT_ULong)ch);
    FT_Fixed advance = 0;
    if (gi == 0 || FT_Get_Advance(pFace->ft, gi, FT_LOAD_NO_SCALE, &advance) != 0 ||
        (double)advance != pFace->dHalfAdvance)
      return false;
  }
  return true;
}

// The faces the program asks for by name are those of the system it was first written for,
// and are not installed here as a rule: a stand-in that is what was asked for (fixed pitch,
// Japanese) is the normal case and passes without a word. One that falls short is named
// once per name and run, as it changes what the screens look like; NUMDRIL_DEBUG_FONTS
// names every stand-in.
static void ReportStandIn(const std::string& name, const FontFace* pFace, bool bFixed,
                          bool bJapanese) {
  static std::set<std::string> s_reported;
  // TRANSLATORS: the font asked for, then the one used in its place.
  const char* pszFormat = N_("numdril: font \"%s\" is not installed; using \"%s\"\n");
  bool bShortfall = true;
  if (bFixed && !IsFixedPitch(pFace))
    pszFormat = N_("numdril: font \"%s\" is not installed, and no fixed-pitch face stands in "
                   "for it; using \"%s\"\n");
  else if (bJapanese && !FaceHasChar(pFace, 0x3042))  // HIRAGANA LETTER A
    pszFormat = N_("numdril: font \"%s\" is not installed, and no Japanese face stands in for "
                   "it; using \"%s\"\n");
  else
    bShortfall = false;
  const char* pszDebug = getenv("NUMDRIL_DEBUG_FONTS");
  const bool bDebug = pszDebug != nullptr && *pszDebug != '\0' && strcmp(pszDebug, "0") != 0;
  if ((!bShortfall && !bDebug) || !s_reported.insert(name).second) return;
  fprintf(stderr, _(pszFormat), name.c_str(), pFace->family.c_str());
}

// With no face at all (a system without fonts, or a configuration that names none) every
// character is an empty box; that is said once, with the packages the program is made for.
static void ReportNoFace(const std::string& name) {
  static bool s_bReported = false;
  if (s_bReported) return;
  s_bReported = true;
  // TRANSLATORS: %s is the font asked for; the package names and the command stay.
  fprintf(stderr,
          _("numdril: no font is installed that can stand in for \"%s\", so text is drawn as "
            "empty boxes; install fonts-dejavu-core and fonts-ipafont-gothic (as root: apt-get "
            "install fonts-dejavu-core fonts-ipafont-gothic)\n"),
          name.empty() ? _("(no name)") : name.c_str());
}

static FontRequest* FindRequest(const LOGFONT& lf) {
  const bool bBold = lf.lfWeight >= FW_BOLD;
  const bool bFixed = (lf.lfPitchAndFamily & 3) == FIXED_PITCH;
  const bool bJapanese = lf.lfCharSet == SHIFTJIS_CHARSET;
  std::string name = Cp932ToUtf8(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
  std::string key = name + '\n' + (bBold ? 'b' : 'r') + (bFixed ? 'f' : 'v') +
                    (bJapanese ? 'j' : 'l');
  auto it = s_requests.find(key);
  if (it != s_requests.end()) return it->second.get();

  auto request = std::make_unique<FontRequest>();
  request->bBold = bBold;
  if (EnsureFontsReady()) {
    FcPattern* pat = FcPatternCreate();
    if (!name.empty()) FcPatternAddString(pat, FC_FAMILY, (const FcChar8*)name.c_str());
    // The generic family comes after the name, so it only decides when the name is unknown.
    FcPatternAddString(pat, FC_FAMILY, (const FcChar8*)(bFixed ? "monospace" : "sans-serif"));
    FcPatternAddString(pat, FC_LANG, (const FcChar8*)(bJapanese ? "ja" : "en"));
    if (bFixed) FcPatternAddInteger(pat, FC_SPACING, FC_MONO);
    FcPatternAddInteger(pat, FC_WEIGHT, bBold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult result;
    FcPattern* match = FcFontMatch(nullptr, pat, &result);
    if (match != nullptr) {
      request->pPrimary = OpenFace(match);
      if (!name.empty() && request->pPrimary != nullptr && !MatchIsNamed(match, name))
        ReportStandIn(name, request->pPrimary, bFixed, bJapanese);
      FcPatternDestroy(match);
    }
    if (request->pPrimary == nullptr) ReportNoFace(name);
    request->pPattern = pat;
  }
  FontRequest* p = request.get();
  s_requests[key] = std::move(request);
  return p;
}

// The face that draws a code point for a request: the matched face when it has the
// character, else the best-ranked installed face that has it, else none.
static FontFace* FaceForChar(FontRequest* pRequest, uint32_t nCodePoint) {
  if (FaceHasChar(pRequest->pPrimary, nCodePoint)) return pRequest->pPrimary;
  if (pRequest->pPattern == nullptr || nCodePoint == NO_CODE_POINT) return nullptr;
  auto it = pRequest->fallback.find(nCodePoint);
  if (it != pRequest->fallback.end()) return it->second;
  if (pRequest->pCandidates == nullptr) {
    FcResult result;
    pRequest->pCandidates = FcFontSort(nullptr, pRequest->pPattern, FcFalse, nullptr, &result);
  }
  FontFace* found = nullptr;
  FcFontSet* set = pRequest->pCandidates;
  for (int i = 0; set != nullptr && i < set->nfont && found == nullptr; i++) {
    FcCharSet* charset = nullptr;
    if (FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch ||
        !FcCharSetHasChar(charset, nCodePoint))
      continue;
    FontFace* face = OpenFace(set->fonts[i]);
    if (FaceHasChar(face, nCodePoint)) found = face;
  }
  pRequest->fallback[nCodePoint] = found;
  return found;
}

FontInstance* FindFontInstance(const LOGFONT& lf) {
  // A repaint asks for the same one or two fonts thousands of times in a row.
  static LOGFONT s_lastLf;
  static FontInstance* s_pLast = nullptr;
  if (s_pLast != nullptr && memcmp(&s_lastLf, &lf, sizeof lf) == 0) return s_pLast;

  std::string key((const char*)&lf, offsetof(LOGFONT, lfFaceName));
  key.append(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
  auto it = s_instances.find(key);
  if (it == s_instances.end()) {
    if (s_instances.size() >= MAX_INSTANCES) {
      s_instances.clear();
      s_glyphs.clear();
      s_nGlyphBytes = 0;
    }
    auto instance = std::make_unique<FontInstance>();
    instance->pRequest = FindRequest(lf);
    instance->nSerial = s_nNextSerial++;
    const FontFace* face = instance->pRequest->pPrimary;
    const double dLine = face ? face->dAscent + face->dDescent : 1.0;
    const double dEm = face ? face->ft->units_per_EM : 1.0;
    int nCell = 16;
    if (lf.lfHeight > 0)
      nCell = lf.lfHeight;
    else if (lf.lfHeight < 0)  // a negative height asks for the em, as in Windows
      nCell = face ? (int)std::lround(-(double)lf.lfHeight * dLine / dEm) : -lf.lfHeight;
    nCell = std::max(nCell, 1);
    int nHalf = lf.lfWidth;
    if (nHalf <= 0)
      nHalf = face ? (int)std::lround(face->dHalfAdvance * nCell / dLine) : (nCell + 1) / 2;
    // Beyond any screen: bounded so a mistaken size cannot ask for gigabytes of glyph.
    instance->metrics =
        FontMetrics{std::min(nCell, MAX_CELL_PIXELS), std::clamp(nHalf, 1, MAX_CELL_PIXELS)};
    it = s_instances.emplace(key, std::move(instance)).first;
  }
  s_lastLf = lf;
  s_pLast = it->second.get();
  return s_pLast;
}

FontMetrics GetFontMetrics(const FontInstance* pFont) { return pFont->metrics; }

#if defined(__SANITIZE_ADDRESS__)
const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
#endif

// ---------------------------------------------------------------------------------------
// Rendering
// ---------------------------------------------------------------------------------------

// A cell-sized coverage buffer that FreeType's spans are written into. Rows count down from
// the cell's top; FreeType's scanlines count up from the baseline.
struct CellCanvas {
  int nWidth, nHeight, nAscent;
  std::vector<uint8_t> cov;
};

static void WriteSpans(int y, int nCount, const FT_Span* spans, void* pUser) {
  CellCanvas* c = (CellCanvas*)pUser;
  int row = c->nAscent - 1 - y;
  if (row < 0 || row >= c->nHeight) return;
  uint8_t* dst = &c->cov[(size_t)row * (size_t)c->nWidth];
  for (int i = 0; i < nCount; i++) {
    int x0 = std::max<int>(spans[i].x, 0);
    int x1 = std::min<int>(spans[i].x + spans[i].len, c->nWidth);
    for (int x = x0; x < x1; x++) dst[x] = (uint8_t)std::max<int>(dst[x], spans[i].coverage);
  }
}

// Renders the outline of a code point from a face into the canvas, scaled so that the
// face's line height fills the cell and its half-width advance is nHalfAdvance.
static bool RenderOutline(FontFace* pFace, uint32_t nCodePoint, bool bEmbolden,
                          const FontMetrics& m, CellCanvas* pCanvas) {
  FT_Face ft = pFace->ft;
  FT_UInt gi = FT_Get_Char_Index(ft, nCodePoint);
  if (gi == 0 || FT_Load_Glyph(ft, gi, FT_LOAD_NO_SCALE | FT_LOAD_NO_BITMAP) != 0 ||
      ft->glyph->format != FT_GLYPH_FORMAT_OUTLINE)
    return false;
  const double dScaleY = m.nCellHeight / (pFace->dAscent + pFace->dDescent);
  const double dScaleX = m.nHalfAdvance / pFace->dHalfAdvance;
  pCanvas->nAscent = (int)std::lround(pFace->dAscent * dScaleY);
  FT_Outline* outline = &ft->glyph->outline;
  // Font units to 26.6 pixels, each axis on its own.
  FT_Matrix matrix = {(FT_Fixed)std::lround(dScaleX * 64 * 65536), 0, 0,
                      (FT_Fixed)std::lround(dScaleY * 64 * 65536)};
  FT_Outline_Transform(outline, &matrix);
  if (bEmbolden) {
    // Widen the strokes only, by about a sixteenth of the cell height (one pixel at 16),
    // as a synthesised bold keeps the cell's height.
    FT_Pos strength = std::max<FT_Pos>(48, (FT_Pos)m.nCellHeight * 64 / 16);
    FT_Outline_EmboldenXY(outline, strength, 0);
    FT_Outline_Translate(outline, -strength / 2, 0);
  }
  // A glyph narrower than its cell (a half-width form in a double-byte cell) is centred.
  const double dAdvance = ft->glyph->metrics.horiAdvance * dScaleX;  // unscaled when loaded
  const int nSlack = pCanvas->nWidth - (int)std::lround(dAdvance);
  if (dAdvance > 0 && nSlack >= 2) FT_Outline_Translate(outline, (nSlack / 2) * 64, 0);

  FT_Raster_Params params{};
  params.source = outline;
  params.flags = FT_RASTER_FLAG_AA | FT_RASTER_FLAG_DIRECT | FT_RASTER_FLAG_CLIP;
  params.gray_spans = WriteSpans;
  params.user = pCanvas;
  params.clip_box.xMin = 0;
  params.clip_box.xMax = pCanvas->nWidth;
  params.clip_box.yMin = pCanvas->nAscent - pCanvas->nHeight;
  params.clip_box.yMax = pCanvas->nAscent;
  return FT_Outline_Render(s_ftLibrary, outline, &params) == 0;
}

// The mark of a character no face has: an empty box inset from the cell's edges.
static void DrawMissingBox(CellCanvas* pCanvas) {
  const int w = pCanvas->nWidth, h = pCanvas->nHeight;
  const int x0 = w / 8, x1 = w - 1 - w / 8, y0 = h / 8, y1 = h - 1 - h / 8;
  if (x0 > x1 || y0 > y1) return;
  for (int x = x0; x <= x1; x++) {
    pCanvas->cov[(size_t)y0 * w + x] = 255;
    pCanvas->cov[(size_t)y1 * w + x] = 255;
  }
  for (int y = y0; y <= y1; y++) {
    pCanvas->cov[(size_t)y * w + x0] = 255;
    pCanvas->cov[(size_t)y * w + x1] = 255;
  }
}

static bool IsBlankChar(uint32_t nCodePoint) { return nCodePoint == 0x20 || nCodePoint == 0x3000; }

static CachedGlyph RenderGlyph(FontInstance* pFont, uint32_t nCodePoint, int nCells) {
  const FontMetrics& m = pFont->metrics;
  CellCanvas canvas{m.nHalfAdvance * nCells, m.nCellHeight, 0, {}};
  canvas.cov.assign((size_t)canvas.nWidth * (size_t)canvas.nHeight, 0);
  FontFace* face = FaceForChar(pFont->pRequest, nCodePoint);
  bool bDrawn = false;
  if (face != nullptr)
    bDrawn = RenderOutline(face, nCodePoint, pFont->pRequest->bBold && !face->bBold, m, &canvas);
  if (!bDrawn && !IsBlankChar(nCodePoint)) DrawMissingBox(&canvas);

  // Keep only the inked part.
  int l = canvas.nWidth, r = 0, t = canvas.nHeight, b = 0;
  for (int y = 0; y < canvas.nHeight; y++)
    for (int x = 0; x < canvas.nWidth; x++)
      if (canvas.cov[(size_t)y * canvas.nWidth + x] != 0) {
        l = std::min(l, x);
        r = std::max(r, x + 1);
        t = std::min(t, y);
        b = std::max(b, y + 1);
      }
  CachedGlyph g;
  if (l >= r) return g;
  g.nLeft = l;
  g.nTop = t;
  g.nWidth = r - l;
  g.nHeight = b - t;
  g.coverage.resize((size_t)g.nWidth * (size_t)g.nHeight);
  for (int y = t; y < b; y++)
    memcpy(&g.coverage[(size_t)(y - t) * g.nWidth], &canvas.cov[(size_t)y * canvas.nWidth + l],
           (size_t)g.nWidth);
  return g;
}

static CachedGlyph& FindCachedGlyph(FontInstance* pFont, uint32_t nCodePoint, int nCells) {
  // Code points fit in 21 bits; NO_CODE_POINT gets the next value up.
  uint64_t cpKey = nCodePoint == NO_CODE_POINT ? 0x200000u : (nCodePoint & 0x1FFFFFu);
  uint64_t key = ((uint64_t)pFont->nSerial << 24) | (cpKey << 2) | (uint64_t)(nCells & 3);
  auto it = s_glyphs.find(key);
  if (it == s_glyphs.end()) {
    if (s_nGlyphBytes > MAX_GLYPH_BYTES) {
      s_glyphs.clear();
      s_nGlyphBytes = 0;
    }
    CachedGlyph g = RenderGlyph(pFont, nCodePoint, nCells);
    s_nGlyphBytes += g.coverage.size() + sizeof(CachedGlyph) + 32;
    it = s_glyphs.emplace(key, std::move(g)).first;
  }
  return it->second;
}

GlyphImage FindGlyph(FontInstance* pFont, uint32_t nCodePoint, int nCells) {
  const CachedGlyph& g = FindCachedGlyph(pFont, nCodePoint, nCells);
  return GlyphImage{g.nLeft, g.nTop, g.nWidth, g.nHeight, g.coverage.data()};
}

const uint32_t* FindGlyphCell(FontInstance* pFont, uint32_t nCodePoint, int nCells,
                              uint32_t rgbText, uint32_t rgbBack, const uint32_t* pBlend) {
  CachedGlyph& g = FindCachedGlyph(pFont, nCodePoint, nCells);
  for (const ColouredCell& c : g.coloured)
    if (c.rgbText == rgbText && c.rgbBack == rgbBack) return c.pixels.data();
  if (g.coloured.size() >= MAX_COLOURS_PER_GLYPH) {
    s_nGlyphBytes -= g.coloured.front().pixels.size() * sizeof(uint32_t);
    g.coloured.erase(g.coloured.begin());
  }
  const int nWidth = pFont->metrics.nHalfAdvance * nCells, nHeight = pFont->metrics.nCellHeight;
  ColouredCell cell{rgbText, rgbBack, std::vector<uint32_t>((size_t)nWidth * nHeight, rgbBack)};
  for (int y = 0; y < g.nHeight; y++) {
    const uint8_t* cov = &g.coverage[(size_t)y * g.nWidth];
    uint32_t* dst = &cell.pixels[(size_t)(g.nTop + y) * nWidth + g.nLeft];
    for (int x = 0; x < g.nWidth; x++)
      if (cov[x] != 0) dst[x] = pBlend[cov[x]];
  }
  s_nGlyphBytes += cell.pixels.size() * sizeof(uint32_t);
  g.coloured.push_back(std::move(cell));
  return g.coloured.back().pixels.data();
}
