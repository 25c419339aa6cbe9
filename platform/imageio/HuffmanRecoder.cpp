#include "HuffmanRecoder_p.h"

#include "HuffmanTable_p.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <thread>
#include <vector>

namespace {
constexpr uint8_t kMarker = 0xff;
constexpr uint8_t kStartOfImage = 0xd8;
constexpr uint8_t kEndOfImage = 0xd9;
constexpr uint8_t kFirstRestart = 0xd0;
constexpr uint8_t kLastRestart = 0xd7;
constexpr uint8_t kHuffmanTables = 0xc4;
constexpr uint8_t kRestartInterval = 0xdd;
constexpr uint8_t kStartOfScan = 0xda;
constexpr int kTableSlots = 4;
constexpr int kMostBlocksPerMcu = 10;
// The largest DC difference and AC magnitude categories of 8-bit samples.
constexpr int kLargestDcCategory = 11;
constexpr int kLargestAcCategory = 10;

// One table slot of each class per block of an MCU, in coding order.
struct BlockTables {
    int dc = 0;
    int ac = 0;
};

// The byte range of one restart interval's data, stuffing included, and how
// many data bits it holds once unstuffed.
struct Interval {
    qsizetype begin = 0;
    qsizetype end = 0;
    qint64 bits = 0;
};

struct Scan {
    QByteArray head; // from the start of the file to the scan header, DHT segments left out
    QByteArray scanHeader;
    QByteArray tail; // from the marker that ends the scan
    std::array<HuffmanTable, kTableSlots> dc, ac;
    std::array<bool, kTableSlots> hasDc{}, hasAc{};
    std::array<bool, kTableSlots> usesDc{}, usesAc{};
    std::vector<BlockTables> mcu;
    qint64 mcus = 0;
    qint64 restartInterval = 0; // MCUs; 0 for one interval
    std::vector<Interval> intervals;
};

struct FrameComponent {
    int id = 0, h = 1, v = 1;
};

int readWord(const uint8_t* p)
{
    return p[0] << 8 | p[1];
}

qint64 ceilDiv(qint64 a, qint64 b)
{
    return (a + b - 1) / b;
}

bool readTables(const QByteArray& payload, Scan* scan)
{
    qsizetype offset = 0;
    while (offset < payload.size()) {
        const auto classAndSlot = uint8_t(payload[offset++]);
        const int tableClass = classAndSlot >> 4, slot = classAndSlot & 0x0f;
        if (tableClass > 1 || slot >= kTableSlots)
            return false;
        HuffmanTable& table = tableClass == 0 ? scan->dc[size_t(slot)] : scan->ac[size_t(slot)];
        if (!table.read(payload, &offset))
            return false;
        (tableClass == 0 ? scan->hasDc : scan->hasAc)[size_t(slot)] = true;
    }
    return true;
}

bool readFrame(const QByteArray& payload, int* width, int* height,
               std::vector<FrameComponent>* components)
{
    const auto* p = reinterpret_cast<const uint8_t*>(payload.constData());
    if (payload.size() < 6 || p[0] != 8)
        return false;
    *height = readWord(p + 1);
    *width = readWord(p + 3);
    const int count = p[5];
    if (*height == 0 || *width == 0 || count == 0 || payload.size() < 6 + 3 * count)
        return false;
    for (int i = 0; i < count; ++i) {
        const uint8_t* c = p + 6 + 3 * i;
        FrameComponent component{c[0], c[1] >> 4, c[1] & 0x0f};
        if (component.h < 1 || component.h > 4 || component.v < 1 || component.v > 4)
            return false;
        components->push_back(component);
    }
    return true;
}

// The blocks of one MCU and the number of MCUs, from the scan's components.
bool layOutMcus(const QByteArray& payload, int width, int height,
                const std::vector<FrameComponent>& frame, Scan* scan)
{
    const auto* p = reinterpret_cast<const uint8_t*>(payload.constData());
    if (payload.isEmpty() || p[0] == 0 || payload.size() != 1 + 2 * p[0] + 3)
        return false;
    const int count = p[0];
    const uint8_t* spectral = p + 1 + 2 * count;
    if (spectral[0] != 0 || spectral[1] != 63 || spectral[2] != 0)
        return false; // not a sequential scan
    int hMax = 1, vMax = 1;
    for (const FrameComponent& c : frame) {
        hMax = std::max(hMax, c.h);
        vMax = std::max(vMax, c.v);
    }
    for (int i = 0; i < count; ++i) {
        const int id = p[1 + 2 * i];
        const BlockTables tables{p[2 + 2 * i] >> 4, p[2 + 2 * i] & 0x0f};
        if (tables.dc >= kTableSlots || tables.ac >= kTableSlots ||
            !scan->hasDc[size_t(tables.dc)] || !scan->hasAc[size_t(tables.ac)])
            return false;
        scan->usesDc[size_t(tables.dc)] = scan->usesAc[size_t(tables.ac)] = true;
        const auto c = std::find_if(frame.begin(), frame.end(),
                                    [id](const FrameComponent& f) { return f.id == id; });
        if (c == frame.end())
            return false;
        if (count == 1) {
            // A scan of one component codes its blocks one by one.
            scan->mcu.push_back(tables);
            scan->mcus = ceilDiv(ceilDiv(qint64(width) * c->h, hMax), 8) *
                         ceilDiv(ceilDiv(qint64(height) * c->v, vMax), 8);
        } else {
            scan->mcu.insert(scan->mcu.end(), size_t(c->h * c->v), tables);
        }
    }
    if (count > 1)
        scan->mcus = ceilDiv(width, 8 * hMax) * ceilDiv(height, 8 * vMax);
    return scan->mcu.size() <= size_t(kMostBlocksPerMcu);
}

// Splits the entropy-coded data from `pos` into restart intervals, up to the
// first marker that is not a restart; checks the restarts count 0 to 7 in
// turn.
bool findIntervals(const QByteArray& jpeg, qsizetype pos, Scan* scan)
{
    const auto* d = reinterpret_cast<const uint8_t*>(jpeg.constData());
    const qsizetype n = jpeg.size();
    Interval interval{pos, pos, 0};
    qint64 stuffed = 0;
    for (;;) {
        const void* found = std::memchr(d + pos, kMarker, size_t(n - pos));
        if (!found)
            return false; // the scan never ends
        pos = static_cast<const uint8_t*>(found) - d;
        if (pos + 1 >= n)
            return false;
        const uint8_t next = d[pos + 1];
        if (next == 0x00) {
            ++stuffed;
            pos += 2;
            continue;
        }
        interval.end = pos;
        while (pos + 1 < n && d[pos + 1] == kMarker)
            ++pos; // fill bytes before a marker
        interval.bits = 8 * (interval.end - interval.begin - stuffed);
        scan->intervals.push_back(interval);
        const uint8_t marker = d[pos + 1];
        if (marker < kFirstRestart || marker > kLastRestart) {
            scan->tail = jpeg.mid(pos);
            return true;
        }
        if (marker != kFirstRestart + (scan->intervals.size() - 1) % 8)
            return false;
        pos += 2;
        interval = Interval{pos, pos, 0};
        stuffed = 0;
    }
}

bool parse(const QByteArray& jpeg, Scan* scan)
{
    const auto* d = reinterpret_cast<const uint8_t*>(jpeg.constData());
    const qsizetype n = jpeg.size();
    if (n < 4 || d[0] != kMarker || d[1] != kStartOfImage)
        return false;
    scan->head = jpeg.left(2);
    int width = 0, height = 0;
    std::vector<FrameComponent> frame;
    qsizetype pos = 2;
    for (;;) {
        while (pos + 1 < n && d[pos] == kMarker && d[pos + 1] == kMarker)
            ++pos;
        if (pos + 4 > n || d[pos] != kMarker)
            return false;
        const uint8_t marker = d[pos + 1];
        const int length = readWord(d + pos + 2);
        if ((marker >= kFirstRestart && marker <= kEndOfImage) || length < 2 ||
            pos + 2 + length > n)
            return false;
        const QByteArray payload = jpeg.mid(pos + 4, length - 2);
        const QByteArray segment = jpeg.mid(pos, length + 2);
        pos += 2 + length;
        if (marker == kHuffmanTables) {
            if (!readTables(payload, scan))
                return false;
            continue;
        }
        if (marker == 0xc0 || marker == 0xc1) {
            if (!frame.empty() || !readFrame(payload, &width, &height, &frame))
                return false;
        } else if (marker >= 0xc2 && marker <= 0xcf) {
            return false; // progressive, lossless, arithmetic or hierarchical
        } else if (marker == kRestartInterval) {
            if (payload.size() != 2)
                return false;
            scan->restartInterval = readWord(reinterpret_cast<const uint8_t*>(payload.data()));
        } else if (marker == kStartOfScan) {
            scan->scanHeader = segment;
            if (frame.empty() || !layOutMcus(payload, width, height, frame, scan))
                return false;
            break;
        }
        scan->head += segment;
    }
    if (!findIntervals(jpeg, pos, scan))
        return false;
    // One scan, then the end of the image.
    const auto* tail = reinterpret_cast<const uint8_t*>(scan->tail.constData());
    if (scan->tail.size() < 2 || tail[1] != kEndOfImage)
        return false;
    const qint64 expected =
        scan->restartInterval > 0 ? ceilDiv(scan->mcus, scan->restartInterval) : 1;
    return qint64(scan->intervals.size()) == expected;
}

// Reads the bits of one interval, unstuffing as it goes; past the end it
// reads ones, and counts what it consumed so the caller can tell.
class BitReader {
public:
    BitReader(const uint8_t* begin, const uint8_t* end) : m_next(begin), m_end(end) {}

    uint32_t peek16()
    {
        if (m_count < 16)
            refill();
        return uint32_t(m_bits >> 48);
    }
    void skip(int n)
    {
        m_bits <<= n;
        m_count -= n;
        m_consumed += n;
    }
    uint32_t take(int n)
    {
        if (n == 0)
            return 0;
        if (m_count < n)
            refill();
        const auto value = uint32_t(m_bits >> (64 - n));
        skip(n);
        return value;
    }
    qint64 consumed() const { return m_consumed; }

private:
    void refill()
    {
        while (m_count <= 56) {
            uint8_t byte = kMarker;
            if (m_next < m_end) {
                byte = *m_next++;
                if (byte == kMarker)
                    ++m_next; // the stuffed zero
            }
            m_bits |= uint64_t(byte) << (56 - m_count);
            m_count += 8;
        }
    }

    const uint8_t* m_next;
    const uint8_t* m_end;
    uint64_t m_bits = 0;
    int m_count = 0;
    qint64 m_consumed = 0;
};

// Writes codes and bits, stuffing a zero after each 0xFF byte.
class BitWriter {
public:
    explicit BitWriter(qsizetype capacity) { m_bytes.reserve(capacity); }

    void put(uint32_t value, int n)
    {
        m_bits = (m_bits << n) | (value & ((1u << n) - 1));
        m_count += n;
        while (m_count >= 8) {
            m_count -= 8;
            const auto byte = char(m_bits >> m_count);
            m_bytes.append(byte);
            if (uint8_t(byte) == kMarker)
                m_bytes.append('\0');
        }
    }
    // Pads the last byte with ones, as an interval ends.
    QByteArray finish()
    {
        if (m_count > 0)
            put(0xff, 8 - m_count);
        return std::move(m_bytes);
    }

private:
    QByteArray m_bytes;
    uint64_t m_bits = 0;
    int m_count = 0;
};

// Walks the symbols of one interval: for each, `visit(isDc, slot, symbol,
// extraBits, extraLength)`. False when the data does not decode as the
// scan's blocks, or leaves more than the padding of one byte, or pads with
// anything but ones.
template <typename Visit>
bool walkInterval(const QByteArray& jpeg, const Scan& scan, const Interval& interval, qint64 mcus,
                  Visit&& visit)
{
    const auto* d = reinterpret_cast<const uint8_t*>(jpeg.constData());
    BitReader reader(d + interval.begin, d + interval.end);
    int length = 0;
    uint8_t symbol = 0;
    for (qint64 m = 0; m < mcus; ++m) {
        for (const BlockTables& tables : scan.mcu) {
            if (!scan.dc[size_t(tables.dc)].decode(reader.peek16(), &length, &symbol) ||
                symbol > kLargestDcCategory)
                return false;
            reader.skip(length);
            visit(true, tables.dc, symbol, reader.take(symbol), symbol);
            const HuffmanTable& ac = scan.ac[size_t(tables.ac)];
            for (int k = 1; k < 64;) {
                if (!ac.decode(reader.peek16(), &length, &symbol))
                    return false;
                reader.skip(length);
                const int run = symbol >> 4, size = symbol & 0x0f;
                if (size == 0) {
                    visit(false, tables.ac, symbol, 0u, 0);
                    if (run != 15)
                        break; // end of block
                    k += 16;
                    continue;
                }
                k += run;
                if (k > 63 || size > kLargestAcCategory)
                    return false;
                visit(false, tables.ac, symbol, reader.take(size), size);
                ++k;
            }
            if (reader.consumed() > interval.bits)
                return false;
        }
    }
    const qint64 padding = interval.bits - reader.consumed();
    return padding < 8 && reader.take(int(padding)) == (1u << padding) - 1;
}

struct Counts {
    std::array<HuffmanTable::Counts, kTableSlots> dc{}, ac{};

    void add(const Counts& other)
    {
        for (int slot = 0; slot < kTableSlots; ++slot)
            for (int s = 0; s < 256; ++s) {
                dc[size_t(slot)][size_t(s)] += other.dc[size_t(slot)][size_t(s)];
                ac[size_t(slot)][size_t(s)] += other.ac[size_t(slot)][size_t(s)];
            }
    }
};

qint64 mcusOf(const Scan& scan, size_t interval)
{
    if (scan.restartInterval == 0)
        return scan.mcus;
    return std::min(scan.restartInterval, scan.mcus - qint64(interval) * scan.restartInterval);
}

// Runs `work(worker, interval)` for every interval, the intervals shared out
// in contiguous runs among up to `threads` workers; true when every call was.
template <typename Work> bool forEachInterval(size_t intervals, int threads, Work&& work)
{
    const size_t workers = std::clamp<size_t>(size_t(std::max(threads, 1)), 1, intervals);
    std::vector<char> ok(workers, 1);
    const auto run = [&](size_t worker) {
        for (size_t i = worker * intervals / workers; i < (worker + 1) * intervals / workers; ++i)
            if (!work(worker, i)) {
                ok[worker] = 0;
                return;
            }
    };
    std::vector<std::thread> started;
    for (size_t worker = 1; worker < workers; ++worker) {
        try {
            started.emplace_back(run, worker);
        } catch (const std::system_error&) {
            run(worker); // no thread to be had: this one does that share too
        }
    }
    run(0);
    for (std::thread& thread : started)
        thread.join();
    return std::all_of(ok.begin(), ok.end(), [](char c) { return c != 0; });
}

QByteArray tablesSegment(const Scan& scan, const std::array<HuffmanTable, kTableSlots>& dc,
                         const std::array<HuffmanTable, kTableSlots>& ac)
{
    QByteArray payload;
    for (int slot = 0; slot < kTableSlots; ++slot)
        if (scan.usesDc[size_t(slot)])
            payload.append(char(slot)).append(dc[size_t(slot)].definition());
    for (int slot = 0; slot < kTableSlots; ++slot)
        if (scan.usesAc[size_t(slot)])
            payload.append(char(0x10 | slot)).append(ac[size_t(slot)].definition());
    const int length = int(payload.size()) + 2;
    QByteArray segment;
    segment.append(char(kMarker)).append(char(kHuffmanTables));
    segment.append(char(length >> 8)).append(char(length & 0xff));
    segment.append(payload);
    return segment;
}
} // namespace

Result<QByteArray> HuffmanRecoder::recode(const QByteArray& jpeg, int threads)
{
    Scan scan;
    if (!parse(jpeg, &scan))
        return Failure(QStringLiteral("not one Huffman-coded sequential scan of 8-bit samples"));

    std::vector<Counts> counted(size_t(std::max(threads, 1)));
    const bool decoded =
        forEachInterval(scan.intervals.size(), threads, [&](size_t worker, size_t i) {
            Counts& counts = counted[worker];
            return walkInterval(jpeg, scan, scan.intervals[i], mcusOf(scan, i),
                                [&counts](bool isDc, int slot, uint8_t symbol, uint32_t, int) {
                                    ++(isDc ? counts.dc : counts.ac)[size_t(slot)][symbol];
                                });
        });
    if (!decoded)
        return Failure(QStringLiteral("the entropy-coded data does not decode"));
    Counts total;
    for (const Counts& counts : counted)
        total.add(counts);
    std::array<HuffmanTable, kTableSlots> dc, ac;
    for (int slot = 0; slot < kTableSlots; ++slot) {
        if (scan.usesDc[size_t(slot)])
            dc[size_t(slot)] = HuffmanTable::optimal(total.dc[size_t(slot)]);
        if (scan.usesAc[size_t(slot)])
            ac[size_t(slot)] = HuffmanTable::optimal(total.ac[size_t(slot)]);
    }

    std::vector<QByteArray> recoded(scan.intervals.size());
    const bool encoded = forEachInterval(scan.intervals.size(), threads, [&](size_t, size_t i) {
        const Interval& interval = scan.intervals[i];
        BitWriter writer(interval.end - interval.begin);
        const bool ok =
            walkInterval(jpeg, scan, interval, mcusOf(scan, i),
                         [&](bool isDc, int slot, uint8_t symbol, uint32_t extra, int extraLength) {
                             const HuffmanTable& table = isDc ? dc[size_t(slot)] : ac[size_t(slot)];
                             writer.put(table.code(symbol), table.codeLength(symbol));
                             if (extraLength > 0)
                                 writer.put(extra, extraLength);
                         });
        recoded[i] = writer.finish();
        return ok;
    });
    if (!encoded)
        return Failure(QStringLiteral("the entropy-coded data does not decode"));

    QByteArray out = scan.head;
    out.append(tablesSegment(scan, dc, ac)).append(scan.scanHeader);
    qsizetype size = out.size() + scan.tail.size();
    for (const QByteArray& data : recoded)
        size += data.size() + 2;
    out.reserve(size);
    for (size_t i = 0; i < recoded.size(); ++i) {
        if (i > 0)
            out.append(char(kMarker)).append(char(kFirstRestart + (i - 1) % 8));
        out.append(recoded[i]);
        recoded[i] = QByteArray(); // the copy is in place: let it go
    }
    out.append(scan.tail);
    return out;
}
