// The hash cost of the tests' services: PBKDF2 as shipped, recorded with each
// hash, only with far fewer iterations.
#ifndef CHEAPHASHCOST_H
#define CHEAPHASHCOST_H

constexpr int kCheapHashIterations = 1000;

#endif // CHEAPHASHCOST_H
