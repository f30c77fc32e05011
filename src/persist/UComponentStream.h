#pragma once
// Component resources and component streams: the persistent form of every object.
//
// A component resource is a short resource header followed by a component stream;
// a component stream is "TPF0" and one component record (class name, object name,
// the properties that differ from their defaults, custom properties, children).
// Writing walks the objects' property tables (base/UClasses.h); reading creates
// objects through the class registry and assigns properties by name.
//
// Reading treats its input as untrusted: every failure raises an exception derived
// from EReadError (EClassNotFound, EPropertyError) or EComponentError with the
// user-facing message, and nothing the failed read created survives it.
#include "base/UClasses.h"
#include "base/UStream.h"
#include <memory>

namespace velmo {

// Nesting of child records and of lists/collections the reader accepts.
constexpr int kMaxComponentNesting = 64;

// ---- writing

// Writes the header (name upper-cased and cut to 63 bytes), the stream, and patches
// the header's data size.
void WriteComponentResource(TStream& stream, const QString& resourceName, const TComponent& root);
// "TPF0" and the root's record.
void WriteComponent(TStream& stream, const TComponent& root);
// The resource header with data size 0; returns the position of the size field.
int64_t WriteResourceHeader(TStream& stream, const QString& resourceName);

// ---- reading

// Checks and skips the resource header: "不正なストリーム フォーマット" when the
// marker is not 0xFF or the type not 10. Returns the stated data size.
uint32_t ReadResourceHeader(TStream& stream);

// Creates the root from its class name (the registry must know it) and reads it.
std::unique_ptr<TComponent> ReadComponentResource(TStream& stream);
std::unique_ptr<TComponent> ReadComponent(TStream& stream);

// Reads into an existing root: the root is kept, the stream's properties are
// assigned to it and its children are added; its name becomes the stored name made
// unique among its owner's components ("Name", "Name_1", ...). On failure the
// children created by the read are destroyed again.
void ReadComponentResourceInto(TStream& stream, TComponent& root);
void ReadComponentInto(TStream& stream, TComponent& root);

// Reads a root and checks that it is a T; otherwise "不正なストリーム フォーマット".
template <class T> std::unique_ptr<T> ReadComponentResourceAs(TStream& stream)
{
    std::unique_ptr<TComponent> root = ReadComponentResource(stream);
    if (T* t = dynamic_cast<T*>(root.get())) {
        root.release();
        return std::unique_ptr<T>(t);
    }
    throw EReadError(InvalidStreamFormatMessage());
}

// Convenience for memory: the bytes of a component resource / stream.
QByteArray ComponentResourceBytes(const QString& resourceName, const TComponent& root);
QByteArray ComponentStreamBytes(const TComponent& root);

} // namespace velmo
