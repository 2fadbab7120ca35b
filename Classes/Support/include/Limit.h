#pragma once
// Holds a value between a lower and an upper limit. The upper test comes
// first: value >= upper gives upper, else value < lower gives lower.

double Limit(double lower, double value, double upper);
int Limit(int lower, int value, int upper);
