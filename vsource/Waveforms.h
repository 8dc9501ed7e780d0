#pragma once
// Waveform registers: the three built-in shapes and a limited number of user
// registers, each holding one period as samples. The distortion and crest
// factor of every shape come from the harmonics of its samples.
#include "vsource/Spectrum.h"

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrel::vsource {

constexpr int kWaveformSamples = 1024;

struct ShapeFigures {
    double thdFund = 0; // % of the fundamental
    double thdRms = 0;  // % of the total rms
    double crest = 1.4142135623730951;
};

// Harmonic figures of one period of samples (harmonics 2 to 50).
ShapeFigures analyseShape(std::span<const double> samples);

class WaveformStore {
public:
    explicit WaveformStore(int userSlots);

    // "SIN", "sine", "Square", "csin", a user name ... -> the catalog name; "" when unknown.
    std::string canonicalName(std::string_view name) const;

    // Returns 0, -254 (no free slot) or -224 (not a valid register name).
    int define(std::string_view name);
    // Returns 0, -224 (undefined register), -109 (too few samples), -223 (too
    // many) or, with `fullScale`, -222 for a sample outside -1..+1. A refused
    // register keeps its samples.
    int setData(std::string_view name, std::span<const std::string_view> values, bool fullScale);
    // Returns 0 or -224.
    int remove(std::string_view name);
    void removeAll();

    bool isUser(std::string_view canonical) const;
    // The samples of a user register, empty for the built-in shapes or an undefined one.
    const std::vector<double>* samples(std::string_view canonical) const;

    // The user registers in the order they were defined, and how many more fit.
    std::vector<std::string> userNames() const;
    int freeSlots() const { return userSlots_ - int(user_.size()); }

    // "SINUSOID","SQUARE","CSINUSOID" then ,"NAME" per user register.
    void appendCatalog(std::string& out) const;

    // Figures of a shape; a clipped sine by its programmed distortion.
    ShapeFigures figures(std::string_view canonical, double clipThd) const;
    // Harmonic lines of a shape; a clipped sine's are scaled to its programmed distortion.
    Spectrum spectrum(std::string_view canonical, double clipThd) const;

private:
    WaveformStore() : userSlots_(0) {} // the built-in shapes alone
    struct Register {
        std::string name;
        std::vector<double> samples;
        ShapeFigures figures;
        Spectrum spectrum;
    };
    Register* findUser(std::string_view name);
    const Register* findUser(std::string_view name) const;

    int userSlots_;
    std::vector<Register> user_;
    ShapeFigures square_;
    Spectrum squareSpectrum_;
    std::vector<std::pair<double, double>> clipCrest_; // (thd %, crest), rising thd
    std::vector<double> clipLevel_;                    // the clipping level of each clipCrest_ row
    // Readings ask for the clipped sine's lines again and again at one distortion.
    mutable double cachedClipThd_ = -1;
    mutable Spectrum cachedClip_;
};

} // namespace ostrel::vsource
