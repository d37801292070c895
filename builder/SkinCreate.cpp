#include "SkinCreate.h"

#include "OutputFiles.h"
#include "SkinArchive.h"
#include "SkinColour.h"
#include "SkinDescription.h"
#include "SkinImageFiles.h"
#include "SkinIni.h"
#include "SkinKit.h"
#include "SkinObjects.h"
#include "StockSkins.h"

#include <zip.h>

#include <ctype.h>
#include <sys/stat.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <vector>

const char kSkinCreateUsage[] =
    "Usage: ornixcreator skin create --from SKIN --output FILE.skf [--name TEXT]\n"
    "           [--accent #RRGGBB] [--face #RRGGBB] [--text #RRGGBB] [--font NAME]\n"
    "           [--banner IMAGE] [--side-image IMAGE]\n"
    "           [--dark-banner IMAGE] [--dark-side-image IMAGE]\n"
    "Writes a skin derived from a stock skin (a bare name such as Daylight) or a\n"
    "skin file. The accent recolours the caption, buttons, glyphs, focus cue,\n"
    "progress bar and scroll thumbs; text on an accent face becomes the base's\n"
    "text colour or white, whichever reads better. Every text keeps a contrast\n"
    "of at least 4.5:1 on what it stands on; a colour that breaks that is\n"
    "refused. Images (PNG, JPEG or BMP) are scaled to the base's banner and side\n"
    "image. A base with a dark variant (Daylight) passes the accent, name and font\n"
    "on to it; it keeps its own face, text and pictures unless the --dark- ones\n"
    "are given. The same inputs give the same file.\n"
    "\n"
    "Exit codes: 0 written, 1 usage, 3 the base skin is missing or unreadable,\n"
    "20 the base skin is refused, 21 a colour leaves text unreadable, 22 an image\n"
    "cannot be read, 23 the output cannot be written.\n";

namespace {

constexpr double kReadable = 4.5;
constexpr char kSkinIni[] = "skin.ini";

struct CreateOptions {
    std::string from, output, name, accent, face, text, font, banner, sideImage;
    std::string darkBanner, darkSideImage;  // for a dark variant
};

struct Failure {
    int code = 0;
    std::string message;
};

bool ReadCreateOptions(int argc, char** argv, CreateOptions& options, std::string& error)
{
    const struct {
        const char* name;
        std::string CreateOptions::*value;
    } named[] = {
        {"--from", &CreateOptions::from},         {"--output", &CreateOptions::output},
        {"--name", &CreateOptions::name},         {"--accent", &CreateOptions::accent},
        {"--face", &CreateOptions::face},         {"--text", &CreateOptions::text},
        {"--font", &CreateOptions::font},         {"--banner", &CreateOptions::banner},
        {"--side-image", &CreateOptions::sideImage},
        {"--dark-banner", &CreateOptions::darkBanner},
        {"--dark-side-image", &CreateOptions::darkSideImage},
    };
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i], value;
        const size_t equals = argument.find('=');
        bool inline_ = false;
        if (argument.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = argument.substr(equals + 1);
            argument.resize(equals);
            inline_ = true;
        }
        auto found = std::find_if(std::begin(named), std::end(named),
                                  [&](const auto& n) { return argument == n.name; });
        if (found == std::end(named)) {
            error = "unknown option \"" + argument + "\" for skin create";
            return false;
        }
        if (!inline_) {
            if (i + 1 >= argc) {
                error = "\"" + argument + "\" needs a value";
                return false;
            }
            value = argv[++i];
        }
        options.*found->value = value;
    }
    if (options.from.empty() || options.output.empty()) {
        error = "skin create needs --from and --output";
        return false;
    }
    return true;
}

// skin.ini as lines, changed key by key, so that the base's comments and
// order stay where the packager can read them.
class IniEditor {
public:
    explicit IniEditor(const std::string& text)
    {
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines_.push_back(line);
            start = end + 1;
        }
        added_.resize(lines_.size() + 1);
    }

    // line: the key's line (1-based), or its section's line to add the key.
    void Set(int line, const std::string& key, const std::string& value, bool isSectionLine)
    {
        const std::string text = key + " = " + value;
        if (isSectionLine)
            added_[line].push_back(text);
        else
            lines_[line - 1] = text;
    }

    std::string Text() const
    {
        std::string out;
        for (size_t i = 0; i < lines_.size(); ++i) {
            out += lines_[i] + "\n";
            for (const std::string& line : added_[i + 1])
                out += line + "\n";
        }
        return out;
    }

private:
    std::vector<std::string> lines_;
    std::vector<std::vector<std::string>> added_;  // after each line, by its number
};

const IniKey* FindKey(const IniSection& section, const char* name)
{
    for (const IniKey& key : section.keys) {
        if (key.name == name)
            return &key;
    }
    return nullptr;
}

int ObjectOf(const IniSection& section)
{
    return FindSkinObject(section.name.c_str());
}

SkinKind KindOf(int object)
{
    return SkinObjectAt(object).kind;
}

bool IsTextKey(const std::string& key)
{
    return key == "text" || key == "caption_text" || key == "inactive_text" ||
           key == "selection_text" || key == "disabled";
}

// The kinds whose colours follow the accent: the caption and frame, buttons,
// glyphs, the progress bar and scroll bars. Their greys (faces, tracks) stay.
bool FollowsAccent(SkinKind kind)
{
    switch (kind) {
    case SkinKind::Dialog:
    case SkinKind::PushButton:
    case SkinKind::CheckBox:
    case SkinKind::RadioButton:
    case SkinKind::ProgressBar:
    case SkinKind::ScrollBar:
        return true;
    default:
        return false;
    }
}

// The kinds whose text stands on the dialog's face or their own field.
bool TakesText(SkinKind kind)
{
    return kind != SkinKind::PushButton && kind != SkinKind::ProgressBar &&
           kind != SkinKind::ScrollBar;
}

template <typename Change>
void RecolourPixels(SkinPixels& pixels, Change change)
{
    for (size_t i = 0; i + 3 < pixels.bgr0.size(); i += 4) {
        const Rgb before = {pixels.bgr0[i + 2], pixels.bgr0[i + 1], pixels.bgr0[i]};
        const Rgb after = change(before);
        pixels.bgr0[i] = uint8_t(after.b);
        pixels.bgr0[i + 1] = uint8_t(after.g);
        pixels.bgr0[i + 2] = uint8_t(after.r);
    }
}

// The lightest colour a skin names, when it is a white; else a paper white.
Rgb SkinWhite(const std::vector<IniSection>& sections)
{
    Rgb white = {0xFA, 0xFA, 0xFA};
    int best = 0;
    for (const IniSection& section : sections) {
        for (const IniKey& key : section.keys) {
            Rgb colour;
            if (ParseHexColour(key.value, colour) && colour != kWhite &&
                std::min({colour.r, colour.g, colour.b}) >= 0xE8 &&
                colour.r + colour.g + colour.b > best) {
                best = colour.r + colour.g + colour.b;
                white = colour;
            }
        }
    }
    return white;
}

// The colour that carries a skin's accent: its caption bar where that is a
// colour rather than a grey, else the first of its buttons, focus cue,
// progress bar and borders that is.
Rgb BaseAccent(const SkinDescription& skin)
{
    std::vector<Rgb> candidates;
    auto object = [&](const char* name) -> const SkinObjectDescription* {
        const int index = FindSkinObject(name);
        return index == kNoObject ? nullptr : skin.objects[index].get();
    };
    if (const SkinObjectDescription* dialog = object("Dialog")) {
        if (dialog->full)
            candidates.push_back(RgbFromColorref(dialog->colours.caption));
    }
    if (const SkinObjectDescription* button = object("Button")) {
        candidates.push_back(RgbFromColorref(button->style.face));
        candidates.push_back(RgbFromColorref(button->colours.focus));
    }
    if (const SkinObjectDescription* progress = object("ProgressBar"))
        candidates.push_back(RgbFromColorref(progress->style.hot));
    if (const SkinObjectDescription* dialog = object("Dialog"))
        candidates.push_back(RgbFromColorref(dialog->style.border));
    for (const Rgb& candidate : candidates) {
        if (IsChromatic(candidate))
            return candidate;
    }
    return candidates.empty() ? Rgb{0x80, 0x80, 0x80} : candidates.front();
}

// A disabled text colour for text on faces: the text moved towards the face
// as far as it stays readable on the face and on the engine's disabled face.
Rgb DisabledFor(const Rgb& text, const std::vector<Rgb>& faces, int disabledFaceMix)
{
    for (int percent = 60; percent > 0; percent -= 5) {
        const Rgb candidate = Blend(text, faces.front(), percent);
        bool readable = true;
        for (const Rgb& face : faces) {
            readable = readable && ContrastRatio(candidate, face) >= kReadable &&
                       ContrastRatio(candidate, Blend(face, candidate, disabledFaceMix)) >= kReadable;
        }
        if (readable)
            return candidate;
    }
    return text;
}

struct Pair {
    std::string where;
    Rgb text, face;
};

// Every text the engine draws on the skin and what it stands on, resolved
// as the engine resolves each object's keys.
std::vector<Pair> TextPairs(const SkinDescription& skin)
{
    std::vector<Pair> pairs;
    const SkinObjectDescription* dialog = skin.objects.empty() ? nullptr : skin.objects[0].get();
    for (int index = 0; index < int(skin.objects.size()); ++index) {
        const SkinObjectDescription* object = skin.objects[index].get();
        if (!object)
            continue;
        const std::string name = SkinObjectAt(index).name;
        const SkinStyle& s = object->style;
        const SkinColours& c = object->colours;
        auto add = [&](const std::string& what, uint32_t text, uint32_t face) {
            pairs.push_back({name + " " + what, RgbFromColorref(text), RgbFromColorref(face)});
        };
        switch (KindOf(index)) {
        case SkinKind::Dialog:
            add("text on face", s.text, s.face);
            add("disabled on face", s.disabled, s.face);
            if (object->full) {
                for (int percent : {0, 50, 100}) {
                    const Rgb bar = Blend(RgbFromColorref(c.caption), RgbFromColorref(c.captionTo), percent);
                    pairs.push_back({name + " caption_text on caption", RgbFromColorref(c.captionText), bar});
                }
                add("inactive_text on inactive", c.inactiveText, c.inactive);
            }
            break;
        case SkinKind::PushButton:
            add("text on face", s.text, s.face);
            add("text on hot", s.text, s.hot);
            add("text on pressed", s.text, s.pressed);
            break;
        case SkinKind::CheckBox:
        case SkinKind::RadioButton:
        case SkinKind::GroupBox:
        case SkinKind::Static:
            if (dialog) {
                add("text on the dialog's face", s.text, dialog->style.face);
                add("disabled on the dialog's face", s.disabled, dialog->style.face);
            }
            break;
        case SkinKind::Edit:
        case SkinKind::ListBox:
        case SkinKind::ComboBox:
        case SkinKind::ListView:
            add("text on face", s.text, s.face);
            if (object->full)
                add("selection_text on selection", c.selectionText, c.selection);
            break;
        default:
            break;
        }
    }
    return pairs;
}

// Where an installer wizard's title and description lie over its banner:
// from the left across five sixths of the width, down to 41 of its 44
// dialog units. Every pixel there must carry the labels' text.
bool BannerPair(const SkinDescription& skin, Pair& worst)
{
    const int banner = FindSkinObject("Banner");
    const int label = skin.objects[FindSkinObject("Static")] ? FindSkinObject("Static")
                                                             : FindSkinObject("Dialog");
    if (banner == kNoObject || !skin.objects[banner] || !skin.objects[label])
        return false;
    const SkinPixels& image = skin.objects[banner]->image;
    const Rgb text = RgbFromColorref(skin.objects[label]->style.text);
    double lowest = 22;
    for (int y = 0; y < image.height * 41 / 44; ++y) {
        for (int x = 0; x < image.width * 5 / 6; ++x) {
            const uint8_t* p = image.bgr0.data() + (size_t(y) * image.width + x) * 4;
            const Rgb under = {p[2], p[1], p[0]};
            const double ratio = ContrastRatio(text, under);
            if (ratio < lowest) {
                lowest = ratio;
                worst = {"Banner under the titles", text, under};
            }
        }
    }
    return lowest < 22;
}

bool WriteSkinFile(const std::string& path, const std::string& ini,
                   const SkinArchiveEntries& entries)
{
    zipFile archive = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
    if (!archive)
        return false;
    bool written = true;
    auto add = [&](const std::string& name, const std::string& bytes) {
        // Fixed times and attributes: the same inputs make the same file.
        zip_fileinfo info = {};
        info.tmz_date.tm_mday = 1;
        info.tmz_date.tm_year = 1980;
        written = written &&
                  zipOpenNewFileInZip64(archive, name.c_str(), &info, nullptr, 0, nullptr, 0,
                                        nullptr, Z_DEFLATED, 9, 0) == ZIP_OK &&
                  zipWriteInFileInZip(archive, bytes.data(), unsigned(bytes.size())) == ZIP_OK &&
                  zipCloseFileInZip(archive) == ZIP_OK;
    };
    add(kSkinIni, ini);
    for (const auto& entry : entries) {
        if (entry.first != kSkinIni)
            add(entry.first, entry.second);
    }
    return zipClose(archive, nullptr) == ZIP_OK && written;
}

// Every image entry that a look's objects paint with.
std::set<std::string> ImagesOf(const SkinDescription& skin)
{
    std::set<std::string> images;
    for (const auto& object : skin.objects) {
        if (!object)
            continue;
        const SkinStyle& style = object->style;
        for (const std::string* name : {&style.image, &style.buttons, &style.background,
                                        &style.imageAt[0], &style.imageAt[1], &style.buttonsAt[0],
                                        &style.buttonsAt[1], &style.backgroundAt[0],
                                        &style.backgroundAt[1]}) {
            if (!name->empty())
                images.insert(*name);
        }
    }
    return images;
}

class SkinMaker {
public:
    // skip: entries that are not this ini's images to change: the other
    // ini of the skin, and the images of the other look.
    SkinMaker(const CreateOptions& options, const SkinDescription& base,
              const std::vector<IniSection>& sections, SkinArchiveEntries entries,
              const std::string& iniText, std::set<std::string> skip)
        : options_(options), base_(base), sections_(sections), entries_(std::move(entries)),
          ini_(iniText), skip_(std::move(skip))
    {
    }

    bool Make(Failure& failure);
    std::string Ini() const { return ini_.Text(); }
    const SkinArchiveEntries& Entries() const { return entries_; }
    // The images it recoloured or replaced.
    const std::set<std::string>& Changed() const { return changedImages_; }

private:
    bool Colour(const std::string& option, const std::string& value, Rgb& colour, Failure& failure);
    void Set(const IniSection& section, const char* key, const std::string& value);
    void SetColour(const IniSection& section, const char* key, const Rgb& colour);
    Rgb KeyColour(const IniSection& section, const char* key, const Rgb& otherwise) const;
    bool RecolourImages(const std::vector<std::string>& names,
                        const std::function<Rgb(const Rgb&)>& change, Failure& failure);
    bool PlaceImage(const std::string& path, const char* section, Failure& failure);

    const CreateOptions& options_;
    const SkinDescription& base_;
    const std::vector<IniSection>& sections_;
    SkinArchiveEntries entries_;
    IniEditor ini_;
    std::map<std::string, std::string> changed_;  // "section/key" -> value, for later reads
    std::set<std::string> skip_;
    std::set<std::string> changedImages_;
};

bool SkinMaker::Colour(const std::string& option, const std::string& value, Rgb& colour,
                       Failure& failure)
{
    if (ParseHexColour(value, colour))
        return true;
    failure = {kSkinExitUsage, option + " takes a colour as #RRGGBB, not \"" + value + "\""};
    return false;
}

void SkinMaker::Set(const IniSection& section, const char* key, const std::string& value)
{
    if (const IniKey* found = FindKey(section, key))
        ini_.Set(found->line, key, value, false);
    else
        ini_.Set(section.line, key, value, true);
    changed_[section.name + "/" + key] = value;
}

void SkinMaker::SetColour(const IniSection& section, const char* key, const Rgb& colour)
{
    Set(section, key, HexColour(colour));
}

Rgb SkinMaker::KeyColour(const IniSection& section, const char* key, const Rgb& otherwise) const
{
    Rgb colour = otherwise;
    auto changed = changed_.find(section.name + "/" + key);
    if (changed != changed_.end())
        ParseHexColour(changed->second, colour);
    else if (const IniKey* found = FindKey(section, key))
        ParseHexColour(found->value, colour);
    return colour;
}

bool SkinMaker::RecolourImages(const std::vector<std::string>& names,
                               const std::function<Rgb(const Rgb&)>& change, Failure& failure)
{
    for (const std::string& name : names) {
        auto entry = entries_.find(name);
        if (entry == entries_.end() || skip_.count(name))
            continue;
        changedImages_.insert(name);
        SkinPixels pixels;
        std::string why;
        if (!DecodeSkinBitmap(entry->second, pixels, why)) {
            failure = {kSkinExitRefused, "the base skin's image " + name + ": " + why};
            return false;
        }
        RecolourPixels(pixels, change);
        entry->second = EncodeBmp24(pixels);
    }
    return true;
}

bool SkinMaker::Make(Failure& failure)
{
    const SkinObjectDescription* dialog = base_.objects.empty() ? nullptr : base_.objects[0].get();
    const Rgb baseFace = dialog ? RgbFromColorref(dialog->style.face) : Rgb{0xF0, 0xF0, 0xF0};
    const Rgb baseText = dialog ? RgbFromColorref(dialog->style.text) : Rgb{};
    Rgb accent, face, text;
    const bool hasAccent = !options_.accent.empty();
    const bool hasFace = !options_.face.empty();
    const bool hasText = !options_.text.empty();
    if ((hasAccent && !Colour("--accent", options_.accent, accent, failure)) ||
        (hasFace && !Colour("--face", options_.face, face, failure)) ||
        (hasText && !Colour("--text", options_.text, text, failure)))
        return false;

    for (const IniSection& section : sections_) {
        if (SameSkinName(section.name.c_str(), "Skin") && !options_.name.empty())
            Set(section, "name", options_.name);
    }
    if (!options_.font.empty()) {
        bool any = false;
        for (const IniSection& section : sections_) {
            if (FindKey(section, "font_face")) {
                Set(section, "font_face", options_.font);
                any = true;
            }
        }
        for (const IniSection& section : sections_) {
            if (!any && SameSkinName(section.name.c_str(), "Dialog"))
                Set(section, "font_face", options_.font);
        }
    }

    std::vector<std::string> accentImages, allImages;
    for (const auto& entry : entries_) {
        if (entry.first != kSkinIni && !skip_.count(entry.first))
            allImages.push_back(entry.first);
    }
    if (hasAccent) {
        const Rgb baseAccent = BaseAccent(base_);
        const AccentShift shift(baseAccent, accent);
        for (const IniSection& section : sections_) {
            const int object = ObjectOf(section);
            if (object == kNoObject || !FollowsAccent(KindOf(object)))
                continue;
            // A button's face, hot and pressed shades are one family: all of
            // them follow when one of them carries the accent.
            bool faceFollows = false;
            for (const char* faceKey : {"face", "hot", "pressed"}) {
                Rgb colour;
                const IniKey* key = FindKey(section, faceKey);
                faceFollows = faceFollows || (key && ParseHexColour(key->value, colour) &&
                                              IsChromatic(colour));
            }
            faceFollows = faceFollows && KindOf(object) == SkinKind::PushButton;
            for (const IniKey& key : section.keys) {
                Rgb colour;
                if (IsTextKey(key.name) || !ParseHexColour(key.value, colour))
                    continue;
                const bool buttonFace = faceFollows && (key.name == "face" || key.name == "hot" ||
                                                        key.name == "pressed");
                if (buttonFace || IsChromatic(colour))
                    SetColour(section, key.name.c_str(), shift.Apply(colour));
            }
            for (const char* imageKey : {"image", "image@150", "image@200", "buttons",
                                         "buttons@150", "buttons@200"}) {
                if (const IniKey* image = FindKey(section, imageKey)) {
                    std::string lower = image->value;
                    std::transform(lower.begin(), lower.end(), lower.begin(),
                                   [](unsigned char ch) { return char(tolower(ch)); });
                    accentImages.push_back(lower);
                }
            }
        }
        std::sort(accentImages.begin(), accentImages.end());
        accentImages.erase(std::unique(accentImages.begin(), accentImages.end()), accentImages.end());
        if (!RecolourImages(accentImages,
                            [&](const Rgb& c) { return IsChromatic(c) ? shift.Apply(c) : c; },
                            failure))
            return false;
    }
    if (hasFace) {
        for (const IniSection& section : sections_) {
            for (const IniKey& key : section.keys) {
                Rgb colour;
                if (!IsTextKey(key.name) && ParseHexColour(key.value, colour) && colour == baseFace &&
                    !changed_.count(section.name + "/" + key.name))
                    SetColour(section, key.name.c_str(), face);
            }
        }
        if (!RecolourImages(allImages, [&](const Rgb& c) { return c == baseFace ? face : c; },
                            failure))
            return false;
    }
    if (hasText) {
        for (const IniSection& section : sections_) {
            const int object = ObjectOf(section);
            if (object != kNoObject && TakesText(KindOf(object)))
                SetColour(section, "text", text);
        }
    }

    // Text on what now takes the accent: the base's text or white, whichever
    // reads better; disabled text follows what it stands on. White is the
    // base's own, where it has one: pure white is the system's window colour,
    // and a skinned control in it would look like one left to Windows.
    const Rgb white = SkinWhite(sections_);
    const Rgb newFace = hasFace ? face : baseFace;
    for (const IniSection& section : sections_) {
        const int object = ObjectOf(section);
        if (object == kNoObject)
            continue;
        const SkinObjectDescription* described = base_.objects[object].get();
        if (!described)
            continue;
        const SkinKind kind = KindOf(object);
        const Rgb ownText = RgbFromColorref(described->style.text);
        if (kind == SkinKind::PushButton && hasAccent) {
            const char* faceKeys[] = {"face", "hot", "pressed"};
            const uint32_t* described3[] = {&described->style.face, &described->style.hot,
                                            &described->style.pressed};
            std::vector<Rgb> faces;
            for (int i = 0; i < 3; ++i)
                faces.push_back(KeyColour(section, faceKeys[i], RgbFromColorref(*described3[i])));
            const Rgb chosen = MostContrasting({ownText, white}, {faces.front()});
            SetColour(section, "text", chosen);
            // The shades are ours, derived from the accent: moved as far as
            // the text needs. The accent itself stays as the packager gave it.
            for (int i = 0; i < 3; ++i) {
                if (faces[i] != accent && FindKey(section, faceKeys[i])) {
                    faces[i] = ReadableShade(faces[i], chosen, kReadable);
                    SetColour(section, faceKeys[i], faces[i]);
                }
            }
            // A disabled button is drawn on its face alone.
            SetColour(section, "disabled", DisabledFor(chosen, {faces.front()}, 15));
        }
        if (kind == SkinKind::Dialog && hasAccent && described->full &&
            (FindKey(section, "caption") || FindKey(section, "caption_to"))) {
            Rgb from = KeyColour(section, "caption", RgbFromColorref(described->colours.caption));
            Rgb to = KeyColour(section, "caption_to", from);
            const Rgb chosen = MostContrasting({baseText, white}, {from});
            SetColour(section, "caption_text", chosen);
            if (from != accent && FindKey(section, "caption")) {
                from = ReadableShade(from, chosen, kReadable);
                SetColour(section, "caption", from);
            }
            if (to != accent && FindKey(section, "caption_to"))
                SetColour(section, "caption_to", ReadableShade(to, chosen, kReadable));
        }
        if ((hasFace || hasText) && TakesText(kind)) {
            const Rgb objectFace = kind == SkinKind::Dialog || kind == SkinKind::Static ||
                                           kind == SkinKind::CheckBox || kind == SkinKind::RadioButton ||
                                           kind == SkinKind::GroupBox
                                       ? newFace
                                       : KeyColour(section, "face", RgbFromColorref(described->style.face));
            const Rgb objectText = KeyColour(section, "text", ownText);
            if (FindKey(section, "disabled") || kind == SkinKind::Dialog)
                SetColour(section, "disabled", DisabledFor(objectText, {objectFace}, 20));
        }
    }

    if (!options_.banner.empty() && !PlaceImage(options_.banner, "Banner", failure))
        return false;
    if (!options_.sideImage.empty() && !PlaceImage(options_.sideImage, "SideImage", failure))
        return false;
    return true;
}

bool SkinMaker::PlaceImage(const std::string& path, const char* sectionName, Failure& failure)
{
    // The packager's picture is read first: a file that is no picture is
    // the fault to report, whatever the base skin holds.
    SkinPixels probe;
    std::string unreadable;
    if (!LoadImageCovering(path, 1, 1, probe, unreadable)) {
        failure = {kSkinExitImage, path + ": " + unreadable};
        return false;
    }
    const IniSection* section = nullptr;
    for (const IniSection& s : sections_) {
        if (SameSkinName(s.name.c_str(), sectionName))
            section = &s;
    }
    const IniKey* image = section ? FindKey(*section, "image") : nullptr;
    if (!image) {
        failure = {kSkinExitUsage, std::string("the base skin has no [") + sectionName +
                                       "] image to replace"};
        return false;
    }
    std::string entry = image->value;
    std::transform(entry.begin(), entry.end(), entry.begin(),
                   [](unsigned char ch) { return char(tolower(ch)); });
    if (skip_.count(entry))
        return true;  // shared with the other look, which has placed it
    SkinPixels current;
    std::string why;
    auto found = entries_.find(entry);
    if (found == entries_.end() || !DecodeSkinBitmap(found->second, current, why)) {
        failure = {kSkinExitRefused, "the base skin's image " + entry + " cannot be read"};
        return false;
    }
    // The picture at 100%, and at each larger scale made from the packager's
    // own picture, not the small one enlarged: the base's larger entries
    // where it has them, new ones where it has none.
    struct Drawing {
        std::string entry;
        int width, height;
    };
    std::vector<Drawing> drawings = {{entry, current.width, current.height}};
    for (int scale : kLargerScales) {
        const std::string key = "image@" + std::to_string(scale);
        std::string larger;
        if (const IniKey* own = FindKey(*section, key.c_str())) {
            larger = own->value;
            std::transform(larger.begin(), larger.end(), larger.begin(),
                           [](unsigned char ch) { return char(tolower(ch)); });
        } else {
            const size_t dot = entry.rfind('.');
            larger = entry.substr(0, dot) + "@" + std::to_string(scale) +
                     (dot == std::string::npos ? std::string() : entry.substr(dot));
            Set(*section, key.c_str(), larger);
        }
        drawings.push_back({larger, AtScale(current.width, scale), AtScale(current.height, scale)});
    }
    for (const Drawing& drawing : drawings) {
        if (skip_.count(drawing.entry))
            continue;
        SkinPixels replaced;
        if (!LoadImageCovering(path, drawing.width, drawing.height, replaced, why)) {
            failure = {kSkinExitImage, path + ": " + why};
            return false;
        }
        changedImages_.insert(drawing.entry);
        entries_[drawing.entry] = EncodeBmp24(replaced);
    }
    return true;
}

int Fail(const Failure& failure)
{
    fprintf(stderr, "ornixcreator: %s\n", failure.message.c_str());
    return failure.code;
}

} // namespace

int RunSkinCreate(int argc, char** argv, const std::string& payloadFolder)
{
    CreateOptions options;
    std::string error;
    if (!ReadCreateOptions(argc, argv, options, error)) {
        fprintf(stderr, "ornixcreator: %s\n%s", error.c_str(), kSkinCreateUsage);
        return kSkinExitUsage;
    }
    std::string basePath;
    if (ResolveSkinArgument(options.from, payloadFolder, basePath) ==
        SkinArgumentResult::UnknownStock)
        return Fail({kSkinExitUnreadable, UnknownStockSkinMessage(options.from, payloadFolder)});

    SkinFaults faults;
    SkinDescription base;
    switch (CheckSkin(basePath.c_str(), faults, &base)) {
    case SkinVerdict::Accepted:
        break;
    case SkinVerdict::Unreadable:
        return Fail({kSkinExitUnreadable, SkinFaultReport(basePath, faults.first())});
    case SkinVerdict::Refused:
        return Fail({kSkinExitRefused, "the base skin is refused: " +
                                           SkinFaultReport(basePath, faults.first())});
    }
    SkinArchiveEntries entries;
    std::vector<IniSection> sections;
    SkinFaults readFaults;
    if (!ReadSkinArchive(SkinPathFromNarrow(basePath.c_str()).c_str(), entries, readFaults) ||
        !ParseIni(entries[kSkinIni], sections, readFaults))
        return Fail({kSkinExitRefused, "the base skin cannot be read again: " + basePath});

    // The light look first; a dark variant then takes the same accent, name,
    // font and pictures, but keeps its own face and text.
    std::set<std::string> darkOnly;
    if (base.dark) {
        darkOnly = ImagesOf(*base.dark);
        for (const std::string& shared : ImagesOf(base))
            darkOnly.erase(shared);
        darkOnly.insert(base.darkIni);
    }
    SkinMaker maker(options, base, sections, entries, entries[kSkinIni], darkOnly);
    Failure failure;
    if (!maker.Make(failure))
        return Fail(failure);
    SkinArchiveEntries madeEntries = maker.Entries();
    if (base.dark) {
        std::vector<IniSection> darkSections;
        if (!ParseIni(entries[base.darkIni], darkSections, readFaults))
            return Fail({kSkinExitRefused, "the base skin cannot be read again: " + basePath});
        CreateOptions darkOptions = options;
        darkOptions.face.clear();
        darkOptions.text.clear();
        darkOptions.banner = options.darkBanner;
        darkOptions.sideImage = options.darkSideImage;
        Rgb accent;
        if (ParseHexColour(options.accent, accent))
            darkOptions.accent = HexColour(AtLightnessOf(accent, BaseAccent(*base.dark)));
        std::set<std::string> skip = maker.Changed();
        skip.insert(base.darkIni);
        SkinMaker darkMaker(darkOptions, *base.dark, darkSections, madeEntries,
                            entries[base.darkIni], skip);
        if (!darkMaker.Make(failure))
            return Fail(failure);
        madeEntries = darkMaker.Entries();
        madeEntries[base.darkIni] = darkMaker.Ini();
    }

    // Written beside the output under a temporary name, checked as the engine
    // checks a skin, and only then renamed over it.
    PendingOutput pending;
    if (!OutputIsPlainFile(options.output.c_str()) || !pending.Create(options.output.c_str()))
        return Fail({kSkinExitOutput, "cannot write " + options.output +
                                          ": its folder is missing or not writable"});
    if (!WriteSkinFile(pending.path(), maker.Ini(), madeEntries))
        return Fail({kSkinExitOutput, "cannot write " + options.output});
    // A unique temporary file is the owner's alone; a skin is a plain file.
    const mode_t mask = umask(0);
    umask(mask);
    chmod(pending.path(), 0666 & ~mask);
    SkinFaults madeFaults;
    SkinDescription made;
    if (CheckSkin(pending.path(), madeFaults, &made) != SkinVerdict::Accepted)
        return Fail({kSkinExitRefused, "the skin made is refused: " +
                                           SkinFaultReport(options.output, madeFaults.first())});
    std::vector<Pair> pairs;
    for (const SkinDescription* look : {&made, made.dark.get()}) {
        if (!look)
            continue;
        std::vector<Pair> own = TextPairs(*look);
        Pair banner;
        if (BannerPair(*look, banner))
            own.push_back(banner);
        for (Pair& pair : own) {
            if (look != &made)
                pair.where = "dark: " + pair.where;
            pairs.push_back(pair);
        }
    }
    for (const Pair& pair : pairs) {
        const double ratio = ContrastRatio(pair.text, pair.face);
        if (ratio < kReadable) {
            char text[200];
            snprintf(text, sizeof text, "%s: %s on %s is %.2f:1, below %.1f:1", pair.where.c_str(),
                     HexColour(pair.text).c_str(), HexColour(pair.face).c_str(), ratio, kReadable);
            return Fail({kSkinExitContrast, text});
        }
    }
    if (!pending.Commit(options.output.c_str()))
        return Fail({kSkinExitOutput, "cannot replace " + options.output});
    printf("made %s: %s, format %d, %d objects\n", options.output.c_str(), made.name.c_str(),
           made.format, made.ObjectCount());
    return 0;
}
