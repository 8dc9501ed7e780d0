#include "vsource/Waveforms.h"

#include "vsource/Angles.h"
#include "vsource/ErrorQueue.h"
#include "vsource/InstrumentState.h"
#include "vsource/ScpiParser.h"
#include "vsource/ScpiValues.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace ostrel::vsource {

namespace {

constexpr size_t kMaxNameLength = 16;

char upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

std::string upperOf(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        c = upper(c);
    return s;
}

bool validName(std::string_view name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    if (!((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'))) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

std::vector<double> clippedSine(double level) {
    std::vector<double> s(kWaveformSamples);
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = std::clamp(std::sin(2 * kPi * double(i) / kWaveformSamples), -level, level);
    return s;
}

} // namespace

ShapeFigures analyseShape(std::span<const double> samples) {
    ShapeFigures f;
    if (samples.empty()) return f;
    const size_t count = samples.size();
    const double n = double(count);
    std::vector<double> cosine(count), sine(count);
    for (size_t i = 0; i < count; ++i) {
        cosine[i] = std::cos(2 * kPi * double(i) / n);
        sine[i] = std::sin(2 * kPi * double(i) / n);
    }
    double sumHarmonics = 0;
    double fundamental = 0;
    for (size_t h = 1; h <= 50; ++h) {
        double re = 0, im = 0;
        for (size_t i = 0; i < count; ++i) {
            size_t k = (h * i) % count;
            re += samples[i] * cosine[k];
            im += samples[i] * sine[k];
        }
        double amplitude2 = (re * re + im * im) * 4 / (n * n);
        if (h == 1)
            fundamental = amplitude2;
        else
            sumHarmonics += amplitude2;
    }
    if (fundamental > 0) f.thdFund = 100 * std::sqrt(sumHarmonics / fundamental);
    if (fundamental + sumHarmonics > 0)
        f.thdRms = 100 * std::sqrt(sumHarmonics / (fundamental + sumHarmonics));
    double mean = 0;
    for (double v : samples)
        mean += v;
    mean /= n;
    double power = 0, peak = 0;
    for (double v : samples) {
        power += (v - mean) * (v - mean);
        peak = std::max(peak, std::fabs(v - mean));
    }
    double rms = std::sqrt(power / n);
    f.crest = rms > 0 ? peak / rms : 0;
    return f;
}

WaveformStore::WaveformStore(int userSlots) : userSlots_(userSlots) {
    // The built-in shapes' figures are every unit's: worked out once.
    static const WaveformStore builtIn = [] {
        WaveformStore b;
        std::vector<double> square(kWaveformSamples);
        for (size_t i = 0; i < square.size(); ++i)
            square[i] = i < square.size() / 2 ? 1.0 : -1.0;
        b.square_ = analyseShape(square);
        b.squareSpectrum_ = shapeSpectrum(square);
        for (double level = 1.0; level >= 0.2; level -= 0.02) {
            ShapeFigures clip = analyseShape(clippedSine(level));
            b.clipCrest_.emplace_back(clip.thdFund, clip.crest);
            b.clipLevel_.push_back(level);
        }
        return b;
    }();
    square_ = builtIn.square_;
    squareSpectrum_ = builtIn.squareSpectrum_;
    clipCrest_ = builtIn.clipCrest_;
    clipLevel_ = builtIn.clipLevel_;
}

std::string WaveformStore::canonicalName(std::string_view name) const {
    name = trimmed(unquoted(name));
    if (matchKeyword(name, "SINusoid") || matchKeyword(name, "SINE")) return std::string(kSine);
    if (matchKeyword(name, "SQUare")) return std::string(kSquare);
    if (matchKeyword(name, "CSINusoid") || matchKeyword(name, "CLIPPED"))
        return std::string(kClipped);
    const Register* r = findUser(name);
    return r ? r->name : std::string();
}

std::vector<std::string> WaveformStore::userNames() const {
    std::vector<std::string> names;
    for (const Register& r : user_)
        names.push_back(r.name);
    return names;
}

WaveformStore::Register* WaveformStore::findUser(std::string_view name) {
    return const_cast<Register*>(std::as_const(*this).findUser(name));
}

const WaveformStore::Register* WaveformStore::findUser(std::string_view name) const {
    std::string key = upperOf(name);
    for (const Register& r : user_)
        if (r.name == key) return &r;
    return nullptr;
}

int WaveformStore::define(std::string_view name) {
    name = trimmed(unquoted(name));
    if (!validName(name) || (!canonicalName(name).empty() && !findUser(name)))
        return err::IllegalParameterValue;
    if (findUser(name)) return 0;
    if (int(user_.size()) >= userSlots_) return err::MediaFull;
    user_.push_back(Register{upperOf(name), {}, {}, {}});
    return 0;
}

int WaveformStore::setData(std::string_view name, std::span<const std::string_view> values,
                           bool fullScale) {
    Register* r = findUser(trimmed(unquoted(name)));
    if (!r) return err::IllegalParameterValue;
    if (values.size() < size_t(kWaveformSamples)) return err::MissingParameter;
    if (values.size() > size_t(kWaveformSamples)) return err::TooMuchData;
    std::vector<double> samples(values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        if (!parseDecimal(values[i], samples[i])) return err::DataTypeError;
        if (fullScale && std::abs(samples[i]) > 1) return err::DataOutOfRange;
    }
    r->figures = analyseShape(samples);
    r->spectrum = shapeSpectrum(samples);
    r->samples = std::move(samples);
    return 0;
}

int WaveformStore::remove(std::string_view name) {
    std::string key = upperOf(trimmed(unquoted(name)));
    auto it =
        std::find_if(user_.begin(), user_.end(), [&](const Register& r) { return r.name == key; });
    if (it == user_.end()) return err::IllegalParameterValue;
    user_.erase(it);
    return 0;
}

void WaveformStore::removeAll() {
    user_.clear();
}

bool WaveformStore::isUser(std::string_view canonical) const {
    return findUser(canonical) != nullptr;
}

const std::vector<double>* WaveformStore::samples(std::string_view canonical) const {
    const Register* r = findUser(canonical);
    return r ? &r->samples : nullptr;
}

void WaveformStore::appendCatalog(std::string& out) const {
    out += "\"SINUSOID\",\"SQUARE\",\"CSINUSOID\"";
    for (const Register& r : user_) {
        out += ",\"";
        out += r.name;
        out += '"';
    }
}

ShapeFigures WaveformStore::figures(std::string_view canonical, double clipThd) const {
    if (canonical == kSine) return ShapeFigures{};
    if (canonical == kSquare) return square_;
    if (canonical == kClipped) {
        ShapeFigures f;
        f.thdFund = clipThd;
        f.thdRms = 100 * (clipThd / 100) / std::sqrt(1 + (clipThd / 100) * (clipThd / 100));
        f.crest = clipCrest_.back().second;
        for (size_t i = 1; i < clipCrest_.size(); ++i) {
            auto [t1, c1] = clipCrest_[i];
            if (clipThd <= t1) {
                auto [t0, c0] = clipCrest_[i - 1];
                f.crest = t1 > t0 ? c0 + (c1 - c0) * (clipThd - t0) / (t1 - t0) : c1;
                break;
            }
        }
        if (clipThd <= clipCrest_.front().first) f.crest = clipCrest_.front().second;
        return f;
    }
    const Register* r = findUser(canonical);
    return r && !r->samples.empty() ? r->figures : ShapeFigures{};
}

} // namespace ostrel::vsource

namespace ostrel::vsource {

Spectrum WaveformStore::spectrum(std::string_view canonical, double clipThd) const {
    if (canonical == kSquare) return squareSpectrum_;
    if (canonical == kClipped) {
        if (clipThd <= 0) return sineSpectrum();
        if (clipThd == cachedClipThd_) return cachedClip_;
        double level = clipLevel_.back();
        for (size_t i = 1; i < clipCrest_.size(); ++i) {
            double t0 = clipCrest_[i - 1].first, t1 = clipCrest_[i].first;
            if (clipThd <= t1) {
                double k = t1 > t0 ? std::clamp((clipThd - t0) / (t1 - t0), 0.0, 1.0) : 1.0;
                level = clipLevel_[i - 1] + (clipLevel_[i] - clipLevel_[i - 1]) * k;
                break;
            }
        }
        Spectrum s = shapeSpectrum(clippedSine(level));
        // The clipping level is interpolated: scale the harmonics to the exact
        // distortion asked for and keep the shape at unit rms.
        double harmonics = 0;
        for (size_t h = 2; h < s.amplitude.size(); ++h)
            harmonics += s.amplitude[h] * s.amplitude[h];
        double fundamental = s.amplitude[1];
        double k = harmonics > 0 ? clipThd / 100 * fundamental / std::sqrt(harmonics) : 0;
        double total = std::sqrt(fundamental * fundamental + k * k * harmonics);
        for (size_t h = 1; h < s.amplitude.size(); ++h)
            s.amplitude[h] *= (h == 1 ? 1 : k) / total;
        cachedClipThd_ = clipThd;
        cachedClip_ = s;
        return s;
    }
    const Register* r = findUser(canonical);
    return r && !r->samples.empty() ? r->spectrum : sineSpectrum();
}

} // namespace ostrel::vsource
