// SPDX-License-Identifier: GPL-3.0-or-later
#include "wireframe.h"

#include <cstdio>
#include <utility>

namespace kvtsim {

std::uint8_t RequestCheck(std::uint8_t address, std::uint8_t key) {
    const unsigned sum = (kLeadByte + address + key) & 0xFFu;
    return static_cast<std::uint8_t>((sum ^ 0x7Bu) & 0x7Fu);
}

std::array<std::uint8_t, kRequestSize> MakeRequest(std::uint8_t address, std::uint8_t key) {
    return {kLeadByte, address, key, RequestCheck(address, key)};
}

std::string FormatBytes(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char hex[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(hex, sizeof hex, "%02X", bytes[i]);
        if (i != 0) {
            text += ' ';
        }
        text += hex;
    }
    return text;
}

std::vector<ReceivedFrame> FrameReader::Feed(const std::uint8_t* data, std::size_t size) {
    std::vector<ReceivedFrame> out;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t byte = data[i];
        if (byte == kLeadByte) {
            // A lead byte always starts a new frame: whatever came before it is reported as bad.
            FlushNoise(out);
            if (!partial_.empty()) {
                ReceivedFrame cut;
                cut.verdict = FrameVerdict::Truncated;
                cut.bytes.swap(partial_);
                cut.address = cut.bytes.size() > 1 ? cut.bytes[1] : 0;
                out.push_back(std::move(cut));
            }
            partial_.push_back(byte);
        } else if (partial_.empty()) {
            noise_.push_back(byte);
        } else {
            AcceptFrameByte(byte, out);
        }
    }
    // Noise is reported as soon as a read ends, so a stray byte shows up in the counts at once
    // instead of waiting for the next frame.
    FlushNoise(out);
    return out;
}

void FrameReader::FlushNoise(std::vector<ReceivedFrame>& out) {
    if (!noise_.empty()) {
        ReceivedFrame noise;
        noise.verdict = FrameVerdict::BadLead;
        noise.bytes.swap(noise_);
        out.push_back(std::move(noise));
    }
}

void FrameReader::AcceptFrameByte(std::uint8_t byte, std::vector<ReceivedFrame>& out) {
    partial_.push_back(byte);
    if (partial_.size() < kRequestSize) {
        return;
    }
    ReceivedFrame frame;
    frame.bytes = partial_;
    frame.address = partial_[1];
    frame.key = partial_[2];
    partial_.clear();
    if ((frame.address | frame.key | frame.bytes[3]) & 0x80u) {
        frame.verdict = FrameVerdict::BadByte;
    } else if (frame.bytes[3] != RequestCheck(frame.address, frame.key)) {
        frame.verdict = FrameVerdict::BadCheck;
    } else {
        frame.verdict = FrameVerdict::Good;
    }
    out.push_back(std::move(frame));
}

}  // namespace kvtsim
