#pragma once
// An owned block of memory from the C allocator: the currency in which pictures (packed DIBs) pass
// between the program and its libraries. Whoever holds the block frees it.

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <utility>

class MemoryBlock {
public:
    MemoryBlock() = default;
    // Takes ownership of `data` (from malloc/calloc) of `size` bytes.
    MemoryBlock(void* data, std::size_t size) : data_(data), size_(data ? size : 0) {}
    ~MemoryBlock() { std::free(data_); }

    MemoryBlock(MemoryBlock&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0))
    {
    }
    MemoryBlock& operator=(MemoryBlock&& other) noexcept
    {
        if (this != &other) {
            std::free(data_);
            data_ = std::exchange(other.data_, nullptr);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    MemoryBlock(const MemoryBlock&) = delete;
    MemoryBlock& operator=(const MemoryBlock&) = delete;

    // A zero-filled block; null when the allocation fails.
    static MemoryBlock allocate(std::size_t size) { return MemoryBlock(std::calloc(1, size ? size : 1), size); }

    // A new block with the same bytes; null when this one is null or the allocation fails.
    MemoryBlock duplicate() const
    {
        if (!data_)
            return {};
        MemoryBlock copy = allocate(size_);
        if (copy.data_)
            std::memcpy(copy.data_, data_, size_);
        return copy;
    }

    void* data() const { return data_; }
    unsigned char* bytes() const { return static_cast<unsigned char*>(data_); }
    std::size_t size() const { return size_; }
    explicit operator bool() const { return data_ != nullptr; }

    // Gives the block up to a C interface that will free it.
    void* release()
    {
        size_ = 0;
        return std::exchange(data_, nullptr);
    }

private:
    void* data_ = nullptr;
    std::size_t size_ = 0;
};
