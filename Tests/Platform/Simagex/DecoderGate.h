#pragma once

#include <functional>
#include <string>

// Holds the image library's decoders at the images a test names, as an
// image slow to decode would, until the test lets them go. One gate at a
// time; going, it lets every decoder go and takes its hook away.
class DecoderGate {
public:
    explicit DecoderGate(std::function<bool(const std::string& path)> holds);
    ~DecoderGate();
    DecoderGate(const DecoderGate&) = delete;
    DecoderGate& operator=(const DecoderGate&) = delete;

    // Decoders held at the gate now, and all that were held so far.
    int holding() const;
    int everHeld() const;
    // Waits (at most `seconds`) until `count` decoders were held.
    bool waitUntilHeld(int count, int seconds = 30) const;
    void release();
};
