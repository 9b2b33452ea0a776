// The program's one growable array, for bytes and for text of every width.
//
// Every note carries the editor, and the library's containers report a length past their maximum
// through functions that bring most of the C++ library's string code with them (some 55 KiB of
// each note), by exceptions, which the editor is built without. A size this array cannot
// allocate ends the program through outOfMemory(), the one way it runs out. It also wipes every
// block before it gives it back, when it grows as when it goes, so no copy of a passphrase or of
// plaintext stays behind in freed memory.
//
// Elements are trivially copyable. One zero element always follows the last, so text is also a C
// string for the system's calls. Its members are named as the standard containers' are, so it
// reads as they do and serves where they serve (range-for, algorithms, the tests' checks).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include "storage/out_of_memory.h"
#include "storage/wipe.h"

// At most `n` characters of `text` from `at`, none when `at` is past the end. The library's
// substr reports that case through the same functions as its containers do.
template <typename Ch>
std::basic_string_view<Ch> slice(std::basic_string_view<Ch> text, std::size_t at,
                                 std::size_t n = static_cast<std::size_t>(-1)) noexcept {
    if (at > text.size()) at = text.size();
    return {text.data() + at, n < text.size() - at ? n : text.size() - at};
}

template <typename T>
class Buffer {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved as bytes");

public:
    using value_type = T;
    using size_type = std::size_t;
    using iterator = T*;
    using const_iterator = const T*;
    using View = std::basic_string_view<T>;
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    Buffer() noexcept = default;
    Buffer(const T* items, std::size_t n) { append(items, n); }
    explicit Buffer(std::size_t n) { resize(n); }
    Buffer(std::size_t n, T fill) { resize(n, fill); }
    template <typename It, typename = std::enable_if_t<!std::is_integral_v<It>>>
    Buffer(It first, It last) {
        for (; first != last; ++first) push_back(static_cast<T>(*first));
    }
    Buffer(std::initializer_list<T> items) { append(items.begin(), items.size()); }
    // Text converts from anything that reads as it: a literal, a view, a std::basic_string.
    template <typename S, typename = std::enable_if_t<std::is_convertible_v<const S&, View> &&
                                                      !std::is_same_v<S, Buffer>>>
    Buffer(const S& text) {
        const View view = text;
        append(view.data(), view.size());
    }
    Buffer(const Buffer& other) { append(other.data(), other.size()); }
    Buffer(Buffer&& other) noexcept { swap(other); }
    Buffer& operator=(Buffer other) noexcept {
        swap(other);
        return *this;
    }
    ~Buffer() { release(); }

    // For the code beside this program's that takes the library's string.
    template <typename Traits, typename Allocator>
    operator std::basic_string<T, Traits, Allocator>() const {
        return {data(), size()};
    }
    operator View() const noexcept { return {data(), size_}; }
    View view() const noexcept { return {data(), size_}; }

    T* data() noexcept { return items_ ? items_ : emptyItem(); }
    const T* data() const noexcept { return items_ ? items_ : emptyItem(); }
    const T* c_str() const noexcept { return data(); }
    std::size_t size() const noexcept { return size_; }
    std::size_t length() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    std::size_t capacity() const noexcept { return capacity_; }

    T* begin() noexcept { return data(); }
    T* end() noexcept { return data() + size_; }
    const T* begin() const noexcept { return data(); }
    const T* end() const noexcept { return data() + size_; }
    T& operator[](std::size_t i) noexcept { return data()[i]; }
    const T& operator[](std::size_t i) const noexcept { return data()[i]; }
    T& front() noexcept { return items_[0]; }
    T& back() noexcept { return items_[size_ - 1]; }
    const T& back() const noexcept { return items_[size_ - 1]; }

    void reserve(std::size_t n) {
        if (n > capacity_) regrow(n);
    }
    void resize(std::size_t n, T fill = T()) {
        reserve(n);
        for (std::size_t i = size_; i < n; ++i) items_[i] = fill;
        setSize(n);
    }
    void clear() noexcept { setSize(0); }
    void push_back(T item) {
        if (size_ == capacity_) regrow(grownCapacity(size_ + 1));
        items_[size_] = item;
        setSize(size_ + 1);
    }
    void pop_back() noexcept { setSize(size_ - 1); }

    Buffer& append(const T* items, std::size_t n) {
        if (n == 0) return *this;
        if (n > capacity_ - size_) {
            // `items` may lie in this buffer's own block, which the growth frees.
            const std::size_t offset = static_cast<std::size_t>(items - items_);
            const bool own = items_ && items >= items_ && items < items_ + size_;
            if (n > maxSize() - size_) outOfMemory();
            regrow(grownCapacity(size_ + n));
            if (own) items = items_ + offset;
        }
        std::memmove(items_ + size_, items, n * sizeof(T));
        setSize(size_ + n);
        return *this;
    }
    Buffer& append(View text) { return append(text.data(), text.size()); }
    Buffer& append(std::size_t n, T item) {
        resize(size_ + n, item);
        return *this;
    }
    Buffer& assign(const T* items, std::size_t n) {
        clear();
        return append(items, n);
    }
    Buffer& assign(View text) { return assign(text.data(), text.size()); }
    Buffer& assign(std::size_t n, T item) {
        clear();
        return append(n, item);
    }
    Buffer& operator+=(View text) { return append(text); }
    Buffer& operator+=(T item) {
        push_back(item);
        return *this;
    }
    // The `n` items at `at` taken out; beyond the end takes what there is.
    void erase(std::size_t at, std::size_t n = npos) noexcept {
        if (at >= size_) return;
        if (n > size_ - at) n = size_ - at;
        std::memmove(items_ + at, items_ + at + n, (size_ - at - n) * sizeof(T));
        setSize(size_ - n);
    }
    void insert(std::size_t at, View text) { insert(at, text.data(), text.size()); }
    void insert(std::size_t at, const T* items, std::size_t n) {
        if (at > size_) at = size_;
        Buffer tail(data() + at, size_ - at);
        setSize(at);
        append(items, n).append(tail.data(), tail.size());
    }
    template <typename It, typename = std::enable_if_t<!std::is_integral_v<It>>>
    void insert(const T* at, It first, It last) {
        const Buffer middle(first, last);
        insert(static_cast<std::size_t>(at - data()), middle.data(), middle.size());
    }

    // Searches as the library's text does; a part past the end is empty rather than an error.
    std::size_t find(View what, std::size_t from = 0) const noexcept {
        return view().find(what, from);
    }
    std::size_t find(T item, std::size_t from = 0) const noexcept {
        return view().find(item, from);
    }
    std::size_t rfind(View what, std::size_t from = npos) const noexcept {
        return view().rfind(what, from);
    }
    std::size_t rfind(T item, std::size_t from = npos) const noexcept {
        return view().rfind(item, from);
    }
    std::size_t find_last_of(View any) const noexcept { return view().find_last_of(any); }
    Buffer substr(std::size_t at, std::size_t n = npos) const {
        const View part = slice(view(), at, n);
        return Buffer(part.data(), part.size());
    }

    // Overwrites what the buffer holds with zeros and keeps its size.
    void wipe() noexcept {
        if (items_) secureWipe(items_, size_ * sizeof(T));
    }

    void swap(Buffer& other) noexcept {
        std::swap(items_, other.items_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }

    // Comparison and joining with anything that reads as text, on either side.
    template <typename S>
    using IfText =
        std::enable_if_t<std::is_convertible_v<const S&, View> && !std::is_same_v<S, Buffer>>;
    friend bool operator==(const Buffer& a, const Buffer& b) noexcept {
        return a.size_ == b.size_ && std::memcmp(a.data(), b.data(), a.size_ * sizeof(T)) == 0;
    }
    friend bool operator!=(const Buffer& a, const Buffer& b) noexcept { return !(a == b); }
    template <typename S, typename = IfText<S>>
    friend bool operator==(const Buffer& a, const S& b) noexcept {
        return a.view() == View(b);
    }
    template <typename S, typename = IfText<S>>
    friend bool operator==(const S& a, const Buffer& b) noexcept {
        return View(a) == b.view();
    }
    template <typename S, typename = IfText<S>>
    friend bool operator!=(const Buffer& a, const S& b) noexcept {
        return a.view() != View(b);
    }
    template <typename S, typename = IfText<S>>
    friend bool operator!=(const S& a, const Buffer& b) noexcept {
        return View(a) != b.view();
    }

    // Text to a stream as the library's text goes (the tool's messages, a failed test's values).
    template <typename Stream, typename = decltype(std::declval<Stream&>() << std::declval<View>())>
    friend Stream& operator<<(Stream& out, const Buffer& text) {
        out << text.view();
        return out;
    }
    friend bool operator<(const Buffer& a, const Buffer& b) noexcept {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end());
    }

    friend Buffer operator+(const Buffer& a, const Buffer& b) { return joined(a.view(), b.view()); }
    template <typename S, typename = IfText<S>>
    friend Buffer operator+(const Buffer& a, const S& b) {
        return joined(a.view(), View(b));
    }
    template <typename S, typename = IfText<S>>
    friend Buffer operator+(const S& a, const Buffer& b) {
        return joined(View(a), b.view());
    }
    friend Buffer operator+(const Buffer& a, T b) { return joined(a.view(), View(&b, 1)); }

private:
    static Buffer joined(View a, View b) {
        Buffer both;
        both.reserve(a.size() + b.size());
        both.append(a).append(b);
        return both;
    }
    static constexpr std::size_t maxSize() { return (PTRDIFF_MAX / sizeof(T)) - 1; }
    static T* emptyItem() noexcept {
        static T zero{};
        return &zero;
    }
    std::size_t grownCapacity(std::size_t needed) const noexcept {
        const std::size_t doubled = capacity_ < maxSize() / 2 ? capacity_ * 2 : maxSize();
        return needed > doubled ? needed : (doubled < 15 ? 15 : doubled);
    }
    void setSize(std::size_t n) noexcept {
        size_ = n;
        if (items_) items_[n] = T();
    }
    // A new block for `n` items and the zero after them; the old one is wiped and freed.
    void regrow(std::size_t n) {
        if (n > maxSize()) outOfMemory();
        T* grown = static_cast<T*>(std::malloc((n + 1) * sizeof(T)));
        if (!grown) outOfMemory();
        if (items_) std::memcpy(grown, items_, size_ * sizeof(T));
        grown[size_] = T();
        release();
        items_ = grown;
        capacity_ = n;
    }
    void release() noexcept {
        if (!items_) return;
        secureWipe(items_, (capacity_ + 1) * sizeof(T));
        std::free(items_);
        items_ = nullptr;
        capacity_ = 0;
    }

    T* items_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

using String = Buffer<char>;
using U16String = Buffer<char16_t>;
using WString = Buffer<wchar_t>;
using Bytes = Buffer<std::uint8_t>;

// Wipes what the buffer holds now and keeps its size; the buffer wipes its blocks itself as it
// gives them back.
template <typename T>
void secureWipe(Buffer<T>& b) {
    b.wipe();
}

// A number in decimal digits, as text of this program's kind.
inline String decimal(std::uint64_t n) {
    char digits[20];
    char* p = digits + sizeof digits;
    do *--p = static_cast<char>('0' + n % 10);
    while ((n /= 10) != 0);
    return String(p, static_cast<std::size_t>(digits + sizeof digits - p));
}
