#pragma once
// The document of the single-document model. It carries no data of its own but one integer.

class CMarlin3Doc {
public:
    int value() const { return value_; }
    void setValue(int value) { value_ = value; }

private:
    int value_ = 0;
};
