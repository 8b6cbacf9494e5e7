#include "frames/FrameExtraction.h"

#include <string>
#include <utility>

#include "common/NumberText.h"

namespace ravo {
namespace {

constexpr std::string_view kFfPair("\xFF\xFF", 2);
constexpr size_t npos = ReceiveBuffer::npos;
using P = ReceiveBuffer;

constexpr int kTypeCodes[] = {0x82, 0x83, 0x84, 0x85, 0x86, 0x8A, 0x7A, 0x81, 0x87, 0x88, 0x89, 0x8B, 0x8F, 0xF1, 0xF2};

bool isTextTypeCode(std::string_view two) {
    if (two.size() != 2) return false;
    for (const int code : kTypeCodes)
        if (two == hexByte(code)) return true;
    return false;
}

// Echo of a binary item: each byte as two hex digits and a space, then CR LF.
std::string binaryEcho(const ProgramState& st) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string echo(static_cast<size_t>(st.frameLength) * 3 + 2, ' ');
    for (int i = 0; i < st.frameLength; ++i) {
        const int b = st.byte(i + 1);
        echo[static_cast<size_t>(3 * i)] = kHex[b >> 4];
        echo[static_cast<size_t>(3 * i + 1)] = kHex[b & 15];
    }
    echo[echo.size() - 2] = '\r';
    echo[echo.size() - 1] = '\n';
    return echo;
}

void setBytesFromText(ProgramState& st, std::string_view text, int length, int stride) {
    st.frameLength = length;
    for (int i = 1; i <= length; ++i)
        st.frameBytes[static_cast<size_t>(i)] = hexPair(text, static_cast<size_t>(stride * i - (stride - 1)));
}

void setBytesFromBinary(ProgramState& st, std::string_view bytes) {
    st.frameLength = static_cast<int>(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) st.frameBytes[i + 1] = static_cast<unsigned char>(bytes[i]);
}

}  // namespace

bool isFrameTypeCode(int code) {
    for (const int c : kTypeCodes)
        if (c == code) return true;
    return false;
}

bool isStxTypeCode(int code) { return code == 0x7B || isFrameTypeCode(code); }

int hexPair(std::string_view text, size_t pos) {
    int value = 0;
    for (size_t i = pos - 1; i < pos + 1 && i < text.size(); ++i) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n') continue;
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
        else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
        else break;
        value = value * 16 + digit;
    }
    return value;
}

namespace {

// What the front of the buffer is waiting for.
enum class WaitFor { RtlLineEnd, TextLineEnd, TextLineShape, FrameRest, StxRest, TextModeEnd };

// Within one call: the item must be looked at again under changed rules.
constexpr auto kLookAgain = static_cast<Extraction>(-1);

// A wait that cannot complete within its bound is given up: when the buffer holds
// kWaitBound bytes or more, or when the program says it has lasted too long. The
// least is dropped that lets decoding go on.
Extraction waitOrGiveUp(ProgramState& st, bool tooLong, WaitFor what, size_t at = 0) {
    ReceiveBuffer& buf = st.receiveBuffer;
    if (buf.size() < kWaitBound && !tooLong) return Extraction::Wait;
    ++st.abandonedWaits;
    switch (what) {
        case WaitFor::RtlLineEnd:
            // This "Rtl" no longer claims the buffer; the items in front of it are cut as usual.
            buf.skipOccurrence(P::Rtl, at);
            return kLookAgain;
        case WaitFor::TextLineShape: {
            // The line has its CR but neither shape of a text line: drop it with its CR.
            const size_t n = buf.find(P::Cr) + 1;
            st.abandonedBytes += n;
            buf.removeFront(n);
            break;
        }
        case WaitFor::TextModeEnd:
            // Leave text mode: binary frames behind the text can be cut again.
            st.textLineMode = false;
            return kLookAgain;
        default:
            st.abandonedBytes += 1;
            buf.removeFront(1);
            break;
    }
    return Extraction::Discard;
}

Extraction extractOnce(ProgramState& st, ScreenModel& screen, bool tooLong);

}  // namespace

Extraction extractItem(ProgramState& st, ScreenModel& screen) {
    // A request to give up applies to this call's wait only.
    const bool tooLong = std::exchange(st.giveUpWait, false);
    Extraction e = extractOnce(st, screen, tooLong);
    while (e == kLookAgain) e = extractOnce(st, screen, false);
    if (e == Extraction::Discard) ++st.discardedItems;
    return e;
}

namespace {

Extraction extractOnce(ProgramState& st, ScreenModel& screen, bool tooLong) {
    ReceiveBuffer& buf = st.receiveBuffer;
    const std::string_view text = buf.view();
    const size_t cr = buf.find(P::Cr);
    st.headerOffset = 0;
    st.rtlLine = false;

    // 1. A line holding "Rtl" anywhere: its hex text follows "Rtl" and one separator.
    if (const size_t rtl = buf.find(P::Rtl); rtl != npos) {
        if (cr == npos) return waitOrGiveUp(st, tooLong, WaitFor::RtlLineEnd, rtl);
        st.textLineMode = true;
        // Fewer than 18 characters (or none) when the buffer ends sooner.
        const std::string frameText(rtl + 4 < text.size() ? text.substr(rtl + 4, 18) : std::string_view());
        buf.removeFront(cr + 1);
        setBytesFromText(st, frameText, 9, 2);
        st.rtlLine = true;
        if (frameText.compare(0, 2, "7C") == 0) return Extraction::Discard;
        screen.appendMonitor(frameText + "\r\n");
        return Extraction::Cut;
    }

    // 2. A hexadecimal text line (or a leading 0xFF pair).
    const std::string_view firstTwo = text.substr(0, 2);
    if (isTextTypeCode(firstTwo) || firstTwo == kFfPair) {
        if (cr == npos) return waitOrGiveUp(st, tooLong, WaitFor::TextLineEnd);
        st.textLineMode = true;
        if (firstTwo == kFfPair) {
            buf.removeFront(2);
            return Extraction::Discard;
        }
        if (buf.find(P::FfPair) != npos) {
            // The line ends with CR LF and an 0xFF pair.
            const std::string frameText(text.substr(0, cr + 1));
            buf.removeFront(cr + 4);
            setBytesFromText(st, frameText, 11, 2);
            screen.appendMonitor(frameText);
            return Extraction::Cut;
        }
        if (cr == 34) {
            // Eleven pairs separated by one character each, CR in the 35th place.
            const std::string frameText(text.substr(0, 35));
            buf.removeFront(35);
            setBytesFromText(st, frameText, 11, 3);
            screen.appendMonitor(frameText);
            return Extraction::Cut;
        }
        return waitOrGiveUp(st, tooLong, WaitFor::TextLineShape);
    }

    // 3. A binary frame of 11 bytes, possibly followed by an 0xFF separator pair.
    if (isFrameTypeCode(buf.at(0))) {
        st.textLineMode = false;
        if (buf.size() < 11) return waitOrGiveUp(st, tooLong, WaitFor::FrameRest);
        setBytesFromBinary(st, text.substr(0, 11));
        buf.removeFront(11);
        if (!buf.empty() && buf.at(0) == 0xFF) buf.removeFront(2);
        screen.appendMonitor(binaryEcho(st));
        return Extraction::Cut;
    }

    // 4. A 12-byte payload wrapped in STX ... ETX (21 characters from the STX).
    if (const size_t stx = buf.find(P::Stx); stx != npos) {
        if (buf.size() < stx + 21) return waitOrGiveUp(st, tooLong, WaitFor::StxRest);
        if (!isStxTypeCode(buf.at(stx + 6))) {
            buf.removeFront(1);
            return Extraction::Discard;
        }
        st.textLineMode = false;
        const int marker = buf.at(stx + 1);
        if ((marker != 0x11 && marker != 0x12) || buf.at(stx + 5) != 0xB0 || text[stx + 20] != '\x03') {
            buf.removeFront(1);
            return Extraction::Discard;
        }
        setBytesFromBinary(st, text.substr(stx + 6, 12));
        buf.removeFront(stx + 20);  // the ETX stays in front and goes with a later call
        if (st.vhfBand) st.headerOffset = 1;
        screen.appendMonitor(binaryEcho(st));
        return Extraction::Cut;
    }

    // 5. Nothing can start here.
    if (st.textLineMode) {
        if (cr != npos) {
            buf.removeFront(cr + 2);
            return Extraction::Discard;
        }
        if (const size_t etx = buf.find(P::Etx); etx != npos) {
            buf.removeFront(etx + 2);
            return Extraction::Discard;
        }
        return waitOrGiveUp(st, tooLong, WaitFor::TextModeEnd);
    }
    if (const size_t ff = buf.find(P::FfPair); ff != npos) buf.removeFront(ff + 2);
    else buf.removeFront(1);
    return Extraction::Discard;
}

}  // namespace

}  // namespace ravo
