#include "tests/support/sample_data.h"

#include <algorithm>
#include <array>
#include <random>

namespace kelvarin::test {

std::vector<std::uint8_t> RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

std::vector<std::uint8_t> TextLike(std::size_t size, std::uint32_t seed) {
    static const std::array<const char*, 24> kWords = {
        "the",    "update", "client", "file", "stored", "window", "match",   "tree",
        "length", "root",   "folder", "list", "data",   "sound",  "texture", "model",
        "a",      "of",     "and",    "to",   "in",     "level",  "map",     "version"};
    std::mt19937 random(seed);
    std::vector<std::uint8_t> text;
    text.reserve(size);
    while (text.size() < size) {
        const char* word = kWords[random() % kWords.size()];
        text.insert(text.end(), word, word + std::char_traits<char>::length(word));
        text.push_back(random() % 9 == 0 ? '\n' : ' ');
    }
    text.resize(size);
    return text;
}

std::vector<std::uint8_t> RunsAndPatterns(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(size);
    while (bytes.size() < size) {
        switch (random() % 4) {
            case 0:  // a run of one byte
                bytes.insert(bytes.end(), 1 + random() % 100,
                             static_cast<std::uint8_t>(random() % 3));
                break;
            case 1: {  // a short pattern repeated
                const std::size_t period = 1 + random() % 7;
                const std::size_t repeats = 1 + random() % 30;
                std::vector<std::uint8_t> pattern(period);
                for (auto& b : pattern) {
                    b = static_cast<std::uint8_t>('a' + random() % 3);
                }
                for (std::size_t r = 0; r < repeats; ++r) {
                    bytes.insert(bytes.end(), pattern.begin(), pattern.end());
                }
                break;
            }
            case 2: {  // a copy of an earlier stretch, near or far back
                if (bytes.size() > 40) {
                    const std::size_t length = 3 + random() % 40;
                    const std::size_t from = random() % (bytes.size() - length);
                    for (std::size_t i = 0; i < length; ++i) {
                        bytes.push_back(bytes[from + i]);
                    }
                }
                break;
            }
            default:  // noise
                for (std::size_t i = random() % 20; i > 0; --i) {
                    bytes.push_back(static_cast<std::uint8_t>(random()));
                }
        }
    }
    bytes.resize(size);
    return bytes;
}

}  // namespace kelvarin::test
