#include "qt/DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

namespace {

constexpr int kUnitsPerAverageWidth = 4;
constexpr int kUnitsPerHeight = 8;
// The average width is taken over the 52 Latin letters and rounded.
constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
constexpr int kLetterCount = 52;

constexpr char kFontFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";
constexpr char kProportionalFontFile[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int kFontPixelSize = 13;
// The main window's font; every other dialog has a proportional one.
constexpr char kFixedFontName[] = "Fixedsys";

// Registering the file itself keeps fontconfig from substituting another
// font under the same family name.
QString FamilyOfFile(const char* file) {
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(file));
    const QStringList families =
        id < 0 ? QStringList() : QFontDatabase::applicationFontFamilies(id);
    return families.isEmpty() ? QString() : families.first();
}

// value * numerator / denominator, rounded to the nearest integer.
int ScaleRounded(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

}  // namespace

BaseUnits BaseUnitsOf(const QFont& font) {
    const QFontMetrics metrics(font);
    BaseUnits base;
    base.x = (metrics.horizontalAdvance(QString::fromLatin1(kLetters)) + kLetterCount / 2) /
             kLetterCount;
    base.y = metrics.height();
    if (base.x <= 0) base.x = 1;
    if (base.y <= 0) base.y = 1;
    return base;
}

int DialogX(int units, const BaseUnits& base) {
    return ScaleRounded(units, base.x, kUnitsPerAverageWidth);
}

int DialogY(int units, const BaseUnits& base) {
    return ScaleRounded(units, base.y, kUnitsPerHeight);
}

QRect DialogRect(const ControlLayout& control, const BaseUnits& base) {
    return QRect(DialogX(control.x, base), DialogY(control.y, base), DialogX(control.width, base),
                 DialogY(control.height, base));
}

QSize DialogSize(const DialogLayout& layout, const BaseUnits& base) {
    return QSize(DialogX(layout.width, base), DialogY(layout.height, base));
}

QFont DialogFont() {
    static const QString family = FamilyOfFile(kFontFile);
    QFont font =
        family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont(family);
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(kFontPixelSize);
    return font;
}

QFont DialogFontOf(const DialogLayout& layout) {
    if (layout.fontName != nullptr && QString::fromLatin1(layout.fontName) == kFixedFontName) {
        return DialogFont();
    }
    static const QString family = FamilyOfFile(kProportionalFontFile);
    QFont font =
        family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::GeneralFont) : QFont(family);
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(kFontPixelSize);
    return font;
}
