#pragma once
// A growing UTF-16 text written with plain stores: for building many short
// lines into one string, where QString's per-call bookkeeping would cost
// more than the characters themselves.
#include <QByteArrayView>
#include <QStringView>

#include <cstring>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kitbox {

class Utf16Builder {
public:
    void clear() { m_size = 0; }
    bool isEmpty() const { return m_size == 0; }
    QStringView view() const { return QStringView(m_data.get(), m_size); }

    void add(QStringView text)
    {
        if (!text.isEmpty())
            std::memcpy(grow(text.size()), text.utf16(), size_t(text.size()) * sizeof(char16_t));
    }

    // A literal: its length is known, so is the copy.
    template <size_t N> void add(const char16_t (&text)[N])
    {
        static_assert(N > 1);
        std::memcpy(grow(N - 1), text, (N - 1) * sizeof(char16_t));
    }

    // Bytes below 0x100 taken as the characters of the same number.
    void addLatin1(QByteArrayView bytes)
    {
        const auto *in = reinterpret_cast<const unsigned char *>(bytes.data());
        const qsizetype n = bytes.size();
        char16_t *out = grow(n);
        qsizetype i = 0;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        for (; n - i >= 16; i += 16) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i *>(in + i));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi8(x, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i + 8), _mm_unpackhi_epi8(x, zero));
        }
        // Most lines are short: eight and four at a time before the last few.
        if (n - i >= 8) {
            const __m128i x = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(in + i));
            _mm_storeu_si128(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi8(x, zero));
            i += 8;
        }
        if (n - i >= 4) {
            quint32 word;
            std::memcpy(&word, in + i, sizeof word);
            const __m128i x = _mm_cvtsi32_si128(int(word));
            _mm_storel_epi64(reinterpret_cast<__m128i *>(out + i), _mm_unpacklo_epi8(x, zero));
            i += 4;
        }
#endif
        for (; i < n; ++i)
            out[i] = char16_t(in[i]);
    }

private:
    // Room for n more characters; returns where they go.
    char16_t *grow(qsizetype n)
    {
        if (m_size + n > m_capacity) {
            const qsizetype capacity = qMax(qMax(m_capacity * 2, m_size + n), qsizetype(1024));
            std::unique_ptr<char16_t[]> data(new char16_t[size_t(capacity)]);
            if (m_size > 0)
                std::memcpy(data.get(), m_data.get(), size_t(m_size) * sizeof(char16_t));
            m_data = std::move(data);
            m_capacity = capacity;
        }
        char16_t *at = m_data.get() + m_size;
        m_size += n;
        return at;
    }

    std::unique_ptr<char16_t[]> m_data;
    qsizetype m_size = 0;
    qsizetype m_capacity = 0;
};

} // namespace kitbox
