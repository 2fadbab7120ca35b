#include "Limit.h"

double Limit(double lower, double value, double upper) {
  if (value >= upper) return upper;
  if (value < lower) return lower;
  return value;
}

int Limit(int lower, int value, int upper) {
  return static_cast<int>(
      Limit(static_cast<double>(lower), static_cast<double>(value), static_cast<double>(upper)));
}
