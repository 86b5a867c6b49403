// SPDX-License-Identifier: MIT
#include "cli/sweep.h"

#include "analysis/operating_parameters.h"
#include "analysis/session.h"
#include "platform/fault.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace tetrode::cli {
namespace {

// Points per piece of work: large enough that handing pieces between threads costs little, small
// enough that the first rows appear at once and the threads finish together.
constexpr std::uint64_t kChunkPoints = 512;
// Pieces that may be done ahead of the one being written, per thread: bounds the memory a sweep
// holds while a slow reader of its output catches up.
constexpr std::size_t kChunksAheadPerThread = 4;
// A value this close to TO (or to 0), in steps, is taken as TO (or 0): what FROM + i STEP misses
// by rounding.
constexpr double kStepTolerance = 1e-9;

void AppendShortest(std::string& text, double value) {
    char digits[32];
    const auto [end, error] = std::to_chars(digits, digits + sizeof digits, value);
    text.append(digits, error == std::errc{} ? end : digits);
}

// The value a typed range means: FROM + i STEP carries the binary error of STEP (0.1 is not
// exactly a tenth) into digits nobody typed; 15 significant digits are what a double holds
// reliably, so rounding to them gives back the decimal value meant.
double Rounded(double value) {
    char digits[32];
    const auto written =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 15);
    double rounded = value;
    std::from_chars(digits, written.ptr, rounded);
    return rounded;
}

const InputInfo* InputNamed(std::string_view name) {
    for (const InputInfo& input : Inputs()) {
        if (input.name == name) {
            return &input;
        }
    }
    return nullptr;
}

std::string NameList() {
    std::string names;
    for (const InputInfo& input : Inputs()) {
        names.append(names.empty() ? "" : ", ").append(input.name);
    }
    return names;
}

// Calls `make` for every chunk on `threads` threads and `write` with each chunk's text in chunk
// order on the caller's thread, as soon as it and all before it are done. The first exception of
// `make` or `write` stops the work and is raised once every thread has ended.
void ForEachChunkInOrder(std::uint64_t chunks, unsigned threads,
                         const std::function<void(std::uint64_t, std::string&)>& make,
                         const std::function<void(const std::string&)>& write) {
    const std::size_t ahead = kChunksAheadPerThread * threads;
    struct Slot {
        std::string text;
        bool ready = false;
    };
    std::vector<Slot> slots(ahead);
    std::mutex mutex;
    std::condition_variable slotReady, slotFree;
    std::uint64_t claimed = 0, written = 0;
    bool stop = false;
    std::exception_ptr failure;
    const auto fail = [&](std::exception_ptr exception) {
        const std::lock_guard lock(mutex);
        if (!failure) {
            failure = std::move(exception);
        }
        stop = true;
        slotReady.notify_all();
        slotFree.notify_all();
    };
    const auto work = [&] {
        std::string text;
        for (;;) {
            std::uint64_t chunk = 0;
            {
                // A chunk is taken only when its slot is free: the one `ahead` before it is out.
                std::unique_lock lock(mutex);
                slotFree.wait(
                    lock, [&] { return stop || claimed == chunks || claimed < written + ahead; });
                if (stop || claimed == chunks) {
                    return;
                }
                chunk = claimed++;
            }
            try {
                text.clear();
                make(chunk, text);
            } catch (...) {
                fail(std::current_exception());
                return;
            }
            const std::lock_guard lock(mutex);
            Slot& slot = slots[chunk % ahead];
            slot.text.swap(text);
            slot.ready = true;
            slotReady.notify_all();
        }
    };
    {
        std::vector<std::jthread> workers;
        // Declared after the workers, so it runs first on every way out: a worker waiting for a
        // free slot must wake up to end before it is joined.
        struct StopOnExit {
            decltype(fail)& stopAll;
            ~StopOnExit() { stopAll(nullptr); }
        } stopOnExit{fail};
        for (unsigned t = 0; t < threads; ++t) {
            workers.emplace_back(work);
        }
        std::string text;
        for (std::uint64_t chunk = 0; chunk < chunks; ++chunk) {
            {
                std::unique_lock lock(mutex);
                Slot& slot = slots[chunk % ahead];
                slotReady.wait(lock, [&] { return stop || slot.ready; });
                if (!slot.ready) {
                    break;
                }
                text.swap(slot.text);
                slot.ready = false;
                ++written;
                slotFree.notify_all();
            }
            try {
                write(text);
            } catch (...) {
                fail(std::current_exception());
                break;
            }
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

} // namespace

SweepAxis ReadSweepAxis(std::string_view spec) {
    const std::string shown = std::string("--vary ").append(spec);
    const std::size_t equals = spec.find('=');
    SweepAxis axis{equals == std::string_view::npos ? nullptr : InputNamed(spec.substr(0, equals)),
                   {}};
    if (axis.input == nullptr) {
        throw UsageError(shown + ": NAME=FROM:TO:STEP expected, NAME one of " + NameList());
    }
    std::vector<std::string_view> parts;
    for (std::string_view rest = spec.substr(equals + 1);;) {
        const std::size_t colon = rest.find(':');
        parts.push_back(rest.substr(0, colon));
        if (colon == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(colon + 1);
    }
    if (parts.size() != 3) {
        throw UsageError(shown + ": FROM:TO:STEP expected after the name");
    }
    std::array<double, 3> bounds{};
    constexpr std::array<std::string_view, 3> kPartNames{"FROM", "TO", "STEP"};
    for (std::size_t k = 0; k < bounds.size(); ++k) {
        std::string place(axis.input->caption);
        bounds[k] = ReadTypedVoltage(parts[k], place.append(", sweep ").append(kPartNames[k]));
    }
    const auto [from, to, step] = bounds;
    if (step == 0.0) {
        throw UsageError(shown + ": the STEP is 0");
    }
    const double steps = (to - from) / step;
    if (steps < 0.0) {
        throw UsageError(shown + ": the STEP leads away from TO");
    }
    // Also true for a number of steps beyond the double range.
    if (!(steps < static_cast<double>(kMaxAxisValues))) {
        throw UsageError(shown + ": more than " + std::to_string(kMaxAxisValues) + " values");
    }
    const auto count = static_cast<std::uint64_t>(std::floor(steps + kStepTolerance)) + 1;
    axis.values.reserve(count);
    for (std::uint64_t i = 0; i < count; ++i) {
        const double value = from + static_cast<double>(i) * step;
        if (i + 1 == count && std::abs(value - to) <= kStepTolerance * std::abs(step)) {
            axis.values.push_back(to);
        } else if (std::abs(value) <= kStepTolerance * std::abs(step)) {
            axis.values.push_back(0.0);
        } else {
            axis.values.push_back(Rounded(value));
        }
    }
    return axis;
}

std::string SweepHeader() {
    std::string header;
    for (const InputInfo& input : Inputs()) {
        header.append(input.name).append(" (V),");
    }
    for (const FigureInfo& figure : Figures()) {
        header.append(figure.id).append(" (").append(figure.unit).append("),");
    }
    return header.append("error\n");
}

void WriteSweep(const CurveTable& curves, const OperatingVoltages& line,
                std::span<const SweepAxis> axes, unsigned threads, std::ostream& out,
                const std::function<void(std::uint64_t, std::uint64_t)>& progress) {
    std::uint64_t total = 1;
    for (const SweepAxis& axis : axes) {
        total *= axis.values.size();
    }
    if (total > kMaxSweepPoints) {
        throw UsageError(std::string("the sweep has more than ")
                             .append(std::to_string(kMaxSweepPoints))
                             .append(" points"));
    }
    const auto writeOut = [&out](const std::string& text) {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        if (!out) {
            throw Fault(FaultKind::FileOpen, "the output cannot be written");
        }
    };
    const auto pointRows = [&](std::uint64_t chunk, std::string& text) {
        const std::uint64_t last = std::min(total, (chunk + 1) * kChunkPoints);
        for (std::uint64_t point = chunk * kChunkPoints; point < last; ++point) {
            OperatingVoltages voltages = line;
            // Mixed radix, the last axis the fastest digit.
            std::uint64_t rest = point;
            for (auto axis = axes.rbegin(); axis != axes.rend(); ++axis) {
                voltages.*axis->input->voltage = axis->values[rest % axis->values.size()];
                rest /= axis->values.size();
            }
            for (const InputInfo& input : Inputs()) {
                AppendShortest(text, voltages.*input.voltage);
                text += ',';
            }
            try {
                const OperatingParameters figures =
                    CalculateOperatingLine(curves, voltages).figures;
                for (const FigureInfo& info : Figures()) {
                    AppendShortest(text, FigureValue(figures, info.figure) * info.displayScale);
                    text += ',';
                }
                text += '\n';
            } catch (const Fault& fault) {
                text.append(kFigureCount, ',');
                std::string words(FaultKindName(fault.kind()));
                text.append(CsvField(words.append(": ").append(FaultMessage(fault)))).append("\n");
            }
        }
    };
    writeOut(SweepHeader());
    std::uint64_t done = 0;
    ForEachChunkInOrder((total + kChunkPoints - 1) / kChunkPoints, std::max(threads, 1U), pointRows,
                        [&](const std::string& text) {
                            writeOut(text);
                            done = std::min(total, done + kChunkPoints);
                            if (progress) {
                                progress(done, total);
                            }
                        });
    out.flush();
    if (!out) {
        throw Fault(FaultKind::FileOpen, "the output cannot be written");
    }
}

} // namespace tetrode::cli
