// The move sound: a marble dropping into a wooden bin ("tock", and two small
// bounces), synthesised and stored as Microsoft ADPCM, mono, 22050 Hz.
#include <cstddef>

#include "art.h"
#include "fixmath.h"

namespace art {

namespace {

constexpr int RATE = 22050;
constexpr int SAMPLES = 2527; // about 0.11 s
constexpr int BLOCK_ALIGN = 512;
constexpr int SAMPLES_PER_BLOCK = (BLOCK_ALIGN - 7) * 2 + 2; // header holds two, then two per byte
constexpr int BLOCKS = (SAMPLES + SAMPLES_PER_BLOCK - 1) / SAMPLES_PER_BLOCK;

// A resonance of the wooden body: frequency, loudness (per mille), decay time constant.
struct Mode {
    int hz, level, tau_us;
};
const Mode modes[] = {
    {480, 1000, 18000},
    {1130, 550, 10000},
    {2270, 300, 5000},
    {3650, 150, 2500},
};

// The marble striking the wood: when (samples), and how hard (per mille).
struct Hit {
    int at, level;
};
const Hit hits[] = {{0, 1000}, {1213, 280}, {1874, 80}};

// Per-sample decay factor for a time constant, Q30.
int64_t decay_per_sample(int tau_us)
{
    return exp_neg_q30((int64_t{1000000} << 30) / (int64_t{tau_us} * RATE));
}

std::vector<int16_t> synthesise()
{
    std::vector<int64_t> mix(SAMPLES, 0); // Q30
    Rng rng(0x70C4);
    for (const Hit& hit : hits) {
        for (const Mode& m : modes) {
            uint32_t step = uint32_t((uint64_t(m.hz) << 32) / RATE);
            int64_t r = decay_per_sample(m.tau_us);
            int64_t env = (int64_t{hit.level} * m.level << 30) / 1000000;
            uint32_t phase = 0;
            for (int i = hit.at; i < SAMPLES; ++i) {
                mix[size_t(i)] += (env * sin_turn(phase)) >> 30;
                phase += step;
                env = (env * r) >> 30;
            }
        }
        // The click of the contact itself: a burst of softened noise.
        int64_t env = (int64_t{hit.level} * 350 << 30) / 1000000;
        int64_t r = decay_per_sample(600);
        int64_t smooth = 0;
        for (int i = hit.at; i < SAMPLES && env > 0; ++i) {
            int64_t white = int64_t(rng.q16()) - ONE / 2; // [-0.5, 0.5), Q16
            smooth += (white * 2 - smooth) / 3;
            mix[size_t(i)] += (env * smooth) >> 16;
            env = (env * r) >> 30;
        }
    }
    // A very short fade-in keeps the onset from clicking harshly, a fade-out
    // ends the clip in silence.
    constexpr int FADE_IN = 6, FADE_OUT = 220;
    for (int i = 0; i < FADE_IN; ++i)
        mix[size_t(i)] = mix[size_t(i)] * (i + 1) / (FADE_IN + 1);
    for (int i = 0; i < FADE_OUT; ++i) {
        size_t k = size_t(SAMPLES - 1 - i);
        mix[k] = mix[k] * i / FADE_OUT;
    }
    // Soft: the loudest sample at about 45 % of full scale.
    int64_t peak = 1;
    for (int64_t v : mix)
        peak = v > peak ? v : (-v > peak ? -v : peak);
    std::vector<int16_t> out;
    for (int64_t v : mix)
        out.push_back(int16_t(v * 14750 / peak));
    return out;
}

// Microsoft ADPCM's standard predictor coefficients and step adaptation.
const int coef1[7] = {256, 512, 0, 192, 240, 460, 392};
const int coef2[7] = {0, -256, 0, 64, 0, -208, -232};
const int adaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};

// The decoder's state, which the encoder follows exactly.
struct Channel {
    int predictor;
    int delta, s1, s2; // s1 the newest sample

    // Codes `sample` as a nibble, advancing the state as a decoder will.
    int encode(int sample)
    {
        int guess = (s1 * coef1[predictor] + s2 * coef2[predictor]) / 256;
        int diff = sample - guess;
        int code = (diff >= 0 ? diff + delta / 2 : diff - delta / 2) / delta;
        code = int(clamp64(code, -8, 7));
        int decoded = int(clamp64(guess + code * delta, -32768, 32767));
        s2 = s1;
        s1 = decoded;
        delta = adaptation[code & 15] * delta / 256;
        if (delta < 16)
            delta = 16;
        return code & 15;
    }
};

// One block: the first two samples verbatim, the rest as nibbles, high nibble first.
Bytes encode_block(const std::vector<int16_t>& pcm)
{
    // The best of the seven predictors and a few starting steps, by squared error.
    int best_predictor = 0, best_delta = 16;
    int64_t best_error = -1;
    for (int p = 0; p < 7; ++p) {
        for (int d = 16; d <= 2048; d *= 2) {
            Channel ch{p, d, pcm[1], pcm[0]};
            int64_t error = 0;
            for (size_t i = 2; i < pcm.size(); ++i) {
                ch.encode(pcm[i]);
                int64_t e = ch.s1 - pcm[i];
                error += e * e;
            }
            if (best_error < 0 || error < best_error) {
                best_error = error;
                best_predictor = p;
                best_delta = d;
            }
        }
    }
    Bytes out;
    auto put16 = [&](int v) {
        out.push_back(uint8_t(v & 0xFF));
        out.push_back(uint8_t((v >> 8) & 0xFF));
    };
    out.push_back(uint8_t(best_predictor));
    put16(best_delta);
    put16(pcm[1]);
    put16(pcm[0]);
    Channel ch{best_predictor, best_delta, pcm[1], pcm[0]};
    for (size_t i = 2; i < pcm.size(); i += 2)
        out.push_back(uint8_t(ch.encode(pcm[i]) << 4 | ch.encode(pcm[i + 1])));
    return out;
}

void put16(Bytes& out, uint32_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(Bytes& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void put_tag(Bytes& out, const char* tag)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(tag[i]));
}

} // namespace

Bytes make_move_sound()
{
    std::vector<int16_t> pcm = synthesise();
    // Whole blocks only: the last is filled up with silence, and the "fact"
    // chunk tells how many samples the clip really has.
    pcm.resize(size_t(BLOCKS) * SAMPLES_PER_BLOCK, 0);
    Bytes data;
    for (int b = 0; b < BLOCKS; ++b) {
        auto first = pcm.begin() + ptrdiff_t(b) * SAMPLES_PER_BLOCK;
        Bytes block = encode_block(std::vector<int16_t>(first, first + SAMPLES_PER_BLOCK));
        data.insert(data.end(), block.begin(), block.end());
    }

    Bytes out;
    const uint32_t fmt_size = 18 + 4 + 7 * 4; // WAVEFORMATEX, then the ADPCM extension
    put_tag(out, "RIFF");
    put32(out, uint32_t(4 + 8 + fmt_size + 8 + 4 + 8 + data.size()));
    put_tag(out, "WAVE");
    put_tag(out, "fmt ");
    put32(out, fmt_size);
    put16(out, 2); // WAVE_FORMAT_ADPCM
    put16(out, 1); // mono
    put32(out, RATE);
    put32(out, uint32_t(RATE * BLOCK_ALIGN / SAMPLES_PER_BLOCK)); // bytes per second
    put16(out, BLOCK_ALIGN);
    put16(out, 4);         // bits per sample
    put16(out, 4 + 7 * 4); // size of the extension
    put16(out, SAMPLES_PER_BLOCK);
    put16(out, 7);
    for (int i = 0; i < 7; ++i) {
        put16(out, uint32_t(coef1[i]) & 0xFFFF);
        put16(out, uint32_t(coef2[i]) & 0xFFFF);
    }
    put_tag(out, "fact");
    put32(out, 4);
    put32(out, SAMPLES);
    put_tag(out, "data");
    put32(out, uint32_t(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

} // namespace art
