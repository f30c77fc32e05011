#pragma once
// Hand-written component-stream bytes in the stream's own vocabulary, built
// independently of the writer under test so that tests can hold the two against
// each other.
#include <QByteArray>
#include <cstdint>
#include <initializer_list>

namespace velmo::test {

class StreamBytes
{
public:
    StreamBytes& Raw(const QByteArray& bytes)
    {
        FBytes += bytes;
        return *this;
    }
    StreamBytes& Raw(std::initializer_list<int> values)
    {
        for (int v : values)
            FBytes += char(v & 0xFF);
        return *this;
    }
    StreamBytes& Byte(int value)
    {
        FBytes += char(value);
        return *this;
    }
    // A short string: length byte, then the bytes.
    StreamBytes& Str(const QByteArray& text)
    {
        FBytes += char(text.size());
        FBytes += text;
        return *this;
    }
    StreamBytes& U32(uint32_t v)
    {
        return Raw({int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF), int(v >> 24)});
    }
    // vaInt8 / vaInt16 / vaInt32, the smallest that holds the value.
    StreamBytes& Int(int64_t value)
    {
        if (value >= -128 && value <= 127)
            return Byte(2).Byte(int(value & 0xFF));
        if (value >= -32768 && value <= 32767)
            return Byte(3).Byte(int(value & 0xFF)).Byte(int((value >> 8) & 0xFF));
        Byte(4);
        for (int i = 0; i < 4; ++i)
            Byte(int((value >> (8 * i)) & 0xFF));
        return *this;
    }
    StreamBytes& Prop(const QByteArray& name) { return Str(name); }
    StreamBytes& Ident(const QByteArray& ident) { return Byte(7).Str(ident); }
    StreamBytes& String(const QByteArray& text) { return Byte(6).Str(text); }
    StreamBytes& Bool(bool value) { return Byte(value ? 9 : 8); }
    StreamBytes& End() { return Byte(0); }
    StreamBytes& Signature() { return Raw(QByteArray("TPF0")); }
    // "TPF0", the class name and an empty object name.
    StreamBytes& Header(const QByteArray& className) { return Signature().Str(className).Str(""); }
    QByteArray Data() const { return FBytes; }

private:
    QByteArray FBytes;
};

} // namespace velmo::test
