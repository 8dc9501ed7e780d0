#pragma once
// The digitised output of one acquisition: the spectra and fundamental angle
// of every phase at the trigger, from which any sample of the record follows.
#include "vsource/Measurement.h"

#include <array>
#include <vector>

namespace ostrel::vsource {

constexpr int kCaptureBlockSamples = 256;
constexpr int kCaptureBlocks = 16;

struct PhaseCapture {
    PhaseSpectra spectra;
    double angle = 0; // of the voltage fundamental at the trigger, degrees
};

struct CaptureRecord {
    bool taken = false;
    double interval = 2.5e-6; // seconds between samples
    double offset = 0;        // seconds from the trigger to the first sample
    double freq = 0;
    std::array<PhaseCapture, 3> phase;
};

// Samples of blocks [firstBlock, firstBlock + blocks) of one phase's voltage or current.
std::vector<double> captureSamples(const CaptureRecord& record, int phase, bool current,
                                   int firstBlock, int blocks);

} // namespace ostrel::vsource
