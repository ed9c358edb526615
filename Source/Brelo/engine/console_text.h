// A converter's console text made UTF-8 as it arrives: text that is UTF-8 passes unchanged, text
// that turns out not to be is read in a code page from there on.
#pragma once

#include <string>
#include <string_view>

// A code page of one or two bytes per character, in which console text that is not UTF-8 is
// read.
class CodePage {
public:
    virtual ~CodePage() = default;
    // True when the byte starts a character of two bytes.
    virtual bool is_lead_byte(unsigned char byte) const = 0;
    // The bytes, whole characters only, in UTF-8.
    virtual std::string to_utf8(const std::string& bytes) const = 0;
};

// The system's code page of that number (see console_code_page), read through the platform
// layer.
class SystemCodePage : public CodePage {
public:
    explicit SystemCodePage(unsigned number) : number_(number) {}
    bool is_lead_byte(unsigned char byte) const override;
    std::string to_utf8(const std::string& bytes) const override;

private:
    unsigned number_;
};

// One converter's console text, piece by piece, in UTF-8. While the text is UTF-8 it passes
// unchanged. From the first byte on that cannot be UTF-8 (a byte no character starts with, a
// character cut short, an overlong form, a surrogate, a code past U+10FFFF), all the rest is read
// in the code page; what came before it was UTF-8 and has been passed on as such. The decision
// depends on the bytes alone, never on where the pipe cut them into pieces, so the same text
// always comes out the same.
class ConsoleTextDecoder {
public:
    // The code page must outlive the decoder.
    explicit ConsoleTextDecoder(const CodePage& fallback) : code_page_(fallback) {}

    // Appends the UTF-8 text of the next piece to out. The start of a character whose end may
    // come with the next piece (up to three bytes of UTF-8, one lead byte of the code page) is
    // held back until then.
    void decode(std::string_view piece, std::string& out);
    // The text has ended: appends what was held back. A UTF-8 character cut short by the end is
    // no UTF-8, so it is read in the code page.
    void finish(std::string& out);

    // True once the text turned out not to be UTF-8.
    bool reads_code_page() const { return reads_code_page_; }

private:
    void decode_code_page(std::string_view bytes, std::string& out);

    const CodePage& code_page_;
    std::string held_;
    bool reads_code_page_ = false;
};
