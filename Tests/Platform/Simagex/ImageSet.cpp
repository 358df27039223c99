#include "ImageSet.h"

#include <cmath>
#include <random>

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

namespace imageset {

namespace {

cv::Scalar randomColour(std::mt19937& rng)
{
    std::uniform_int_distribution<int> c(0, 255);
    return cv::Scalar(c(rng), c(rng), c(rng));
}

// Smooth random field: a coarse grid of random values blown up.
cv::Mat smoothField(std::mt19937& rng, cv::Size size, int cells)
{
    cv::Mat coarse(cells, cells, CV_32FC3);
    cv::randu(coarse, cv::Scalar::all(0), cv::Scalar::all(255));
    // randu uses OpenCV's own generator; stir it with ours for distinct seeds.
    coarse += cv::Scalar(double(rng() % 40), double(rng() % 40), double(rng() % 40));
    cv::Mat big;
    cv::resize(coarse, big, size, 0, 0, cv::INTER_CUBIC);
    cv::Mat out;
    big.convertTo(out, CV_8UC3);
    return out;
}

}  // namespace

cv::Mat makeBase(Kind kind, unsigned seed, cv::Size size)
{
    // One thread: the same pixels every time, and no OpenCV worker pool
    // (built without the thread sanitizer) in the tests.
    cv::setNumThreads(0);
    std::mt19937 rng(seed * 7919u + unsigned(kind) * 104729u + 1u);
    cv::theRNG().state = uint64_t(seed) * 2654435761u + uint64_t(kind) + 12345u;
    cv::Mat image(size, CV_8UC3);
    const int w = size.width;
    const int h = size.height;
    switch (kind) {
    case Kind::gradient: {
        // A brightness ramp at a seeded angle with a seeded wave across it.
        const double angle = std::uniform_real_distribution<double>(0, 2 * M_PI)(rng);
        const double freq = std::uniform_real_distribution<double>(1.5, 5.0)(rng);
        const cv::Scalar a = randomColour(rng);
        const cv::Scalar b = randomColour(rng);
        for (int y = 0; y < h; ++y) {
            auto* row = image.ptr<cv::Vec3b>(y);
            for (int x = 0; x < w; ++x) {
                const double u = (std::cos(angle) * x / w + std::sin(angle) * y / h + 1.0) / 2.0;
                const double v = 0.5 + 0.5 * std::sin(freq * 2 * M_PI * (std::sin(angle) * x / w - std::cos(angle) * y / h));
                const double t = std::clamp(0.6 * u + 0.4 * v, 0.0, 1.0);
                for (int c = 0; c < 3; ++c) {
                    row[x][c] = cv::saturate_cast<uchar>(a[c] * (1 - t) + b[c] * t);
                }
            }
        }
        break;
    }
    case Kind::shapes: {
        image.setTo(randomColour(rng));
        std::uniform_int_distribution<int> px(0, w), py(0, h), r(w / 12, w / 3);
        for (int i = 0; i < 12; ++i) {
            const cv::Scalar colour = randomColour(rng);
            switch (rng() % 3) {
            case 0: cv::circle(image, {px(rng), py(rng)}, r(rng), colour, cv::FILLED, cv::LINE_AA); break;
            case 1: cv::rectangle(image, {px(rng), py(rng)}, {px(rng), py(rng)}, colour, cv::FILLED); break;
            default: {
                std::vector<cv::Point> pts{{px(rng), py(rng)}, {px(rng), py(rng)}, {px(rng), py(rng)}};
                cv::fillConvexPoly(image, pts, colour, cv::LINE_AA);
            }
            }
        }
        break;
    }
    case Kind::noise: {
        // Cloudy noise: coarse structure with fine grain on top.
        image = smoothField(rng, size, 6);
        cv::Mat grain(size, CV_8UC3);
        cv::randn(grain, cv::Scalar::all(0), cv::Scalar::all(12));
        image += grain;
        break;
    }
    case Kind::texture: {
        std::uniform_real_distribution<double> f(2, 14), ph(0, 2 * M_PI), dir(0, M_PI);
        struct Wave { double fx, fy, phase, weight; };
        std::vector<Wave> waves;
        for (int i = 0; i < 4; ++i) {
            const double d = dir(rng), fr = f(rng);
            waves.push_back({fr * std::cos(d), fr * std::sin(d), ph(rng), 0.25});
        }
        const cv::Scalar a = randomColour(rng), b = randomColour(rng);
        for (int y = 0; y < h; ++y) {
            auto* row = image.ptr<cv::Vec3b>(y);
            for (int x = 0; x < w; ++x) {
                double t = 0.5;
                for (const auto& wave : waves) {
                    t += wave.weight * 0.5 * std::sin(2 * M_PI * (wave.fx * x / w + wave.fy * y / h) + wave.phase);
                }
                t = std::clamp(t, 0.0, 1.0);
                for (int c = 0; c < 3; ++c) {
                    row[x][c] = cv::saturate_cast<uchar>(a[c] * (1 - t) + b[c] * t);
                }
            }
        }
        break;
    }
    case Kind::photo: {
        // Sky-and-ground scene: smooth background, a horizon, soft objects, grain.
        image = smoothField(rng, size, 4);
        const int horizon = int(h * std::uniform_real_distribution<double>(0.3, 0.7)(rng));
        cv::rectangle(image, {0, horizon}, {w, h}, randomColour(rng) * 0.6, cv::FILLED);
        std::uniform_int_distribution<int> px(0, w), py(0, h), r(w / 20, w / 6);
        for (int i = 0; i < 6; ++i) {
            cv::ellipse(image, {px(rng), py(rng)}, {r(rng), r(rng)}, double(rng() % 180), 0, 360, randomColour(rng),
                        cv::FILLED, cv::LINE_AA);
        }
        cv::GaussianBlur(image, image, {0, 0}, std::max(1.0, w / 300.0));
        cv::Mat grain(size, CV_8UC3);
        cv::randn(grain, cv::Scalar::all(0), cv::Scalar::all(6));
        image += grain;
        break;
    }
    }
    return image;
}

cv::Mat makeFlat(cv::Scalar colour, cv::Size size)
{
    return cv::Mat(size, CV_8UC3, colour);
}

cv::Mat resized(const cv::Mat& image, double factor)
{
    cv::Mat out;
    cv::resize(image, out, {}, factor, factor, factor < 1 ? cv::INTER_AREA : cv::INTER_CUBIC);
    return out;
}

cv::Mat brightened(const cv::Mat& image, double factor)
{
    cv::Mat out;
    image.convertTo(out, -1, factor, 0);
    return out;
}

bool write(const std::string& path, const cv::Mat& image, int jpegQuality)
{
    std::vector<int> params;
    const auto dot = path.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : path.substr(dot);
    if (ext == ".jpg" || ext == ".jpeg" || ext == ".jpe") {
        params = {cv::IMWRITE_JPEG_QUALITY, jpegQuality};
    }
    try {
        return cv::imwrite(path, image, params);
    } catch (const cv::Exception&) {
        return false;
    }
}

}  // namespace imageset
