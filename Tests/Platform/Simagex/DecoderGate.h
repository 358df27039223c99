#pragma once

#include <functional>
#include <string>

// Holds the image library's decoders at the images a test names, as images
// slow to decode would, until the test lets them go. One gate at a time;
// going, it lets every decoder go and takes its hook away.
class DecoderGate {
public:
    // Holds each decoder that reaches an image whose path `holds` accepts.
    explicit DecoderGate(std::function<bool(const std::string& path)> holds);
    ~DecoderGate();
    DecoderGate(const DecoderGate&) = delete;
    DecoderGate& operator=(const DecoderGate&) = delete;

    // Whether a decoder is held now at an image whose path contains `part`
    // (at any image, with none), and waiting (at most 30 s) until one is.
    bool isHolding(const std::string& part = std::string()) const;
    bool waitUntilHolding(const std::string& part = std::string()) const;
    // Lets go the decoders held at paths that contain `part` and holds none
    // there again; with none, every decoder, for good.
    void release(const std::string& part = std::string());
};
