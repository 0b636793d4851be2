// The special operations OP 00 to OP 40: alpha printing, plotting and the label list, copying
// a library program into user memory, sign, variances and the regression line, flag-7 tests
// and increments of R00 to R09. Any other number is an error that abandons every level.
#include <optional>

#include "engine/calc_engine.h"

namespace korvelce {

namespace {

struct Variances {
    DecNumber y;  // R05 / n - (R04 / n)^2
    DecNumber x;  // R02 / n - (R01 / n)^2
};

// One variance: the mean of the squares less the square of the mean, in that order.
DecNumber variance(const DecNumber& sumSquares, const DecNumber& sum, const DecNumber& n) {
    DecNumber meanSquares = sumSquares;
    meanSquares.divide(n);
    DecNumber mean = sum;
    mean.divide(n);
    DecNumber squaredMean = mean;
    squaredMean.multiply(mean);
    meanSquares.subtract(squaredMean);
    return meanSquares;
}

struct Line {
    DecNumber m;  // slope of x = m * y + b
    DecNumber b;
};

}  // namespace

void CalcEngine::specialOperation(int number) {
    const DecNumber x = displayValue();
    const DecNumber& n = registers[3];
    auto setX = [&](const DecNumber& value) { stack.setDisplayValue(value); };
    auto fail = [&](int shown) {
        setX(DecNumber::fromInt(shown));
        errorFlag = 1;
    };
    auto variances = [&]() -> std::optional<Variances> {
        if (n.isZero()) return std::nullopt;
        return Variances{variance(registers[5], registers[4], n),
                         variance(registers[2], registers[1], n)};
    };
    auto regression = [&]() -> std::optional<Line> {
        if (n.isZero()) return std::nullopt;
        DecNumber d = registers[4];
        d.multiply(registers[4]);
        d.divide(n);
        d = registers[5] - d;
        if (d.isZero()) return std::nullopt;
        DecNumber m = registers[1];
        m.multiply(registers[4]);
        m.divide(n);
        m = registers[6] - m;
        m.divide(d);
        DecNumber b = m;
        b.multiply(registers[4]);
        b = registers[1] - b;
        b.divide(n);
        return Line{m, b};
    };

    if (number >= 20 && number <= 29) {
        registers[static_cast<std::size_t>(number - 20)].increment();
        return;
    }
    if (number >= 30 && number <= 39) {
        registers[static_cast<std::size_t>(number - 30)].decrement();
        return;
    }
    switch (number) {
        case 0:
            setX(x.integerPart());
            resetPrinter();
            break;
        case 1:
        case 2:
        case 3:
        case 4:
            setX(x.integerPart());
            setAlphaBlock(x.integerPart().absolute(), number);
            break;
        case 5:
            setX(x.integerPart());
            printAlphaLine();
            break;
        case 6:
            printValueWithAlpha(x);
            break;
        case 7:
            plotStar(x.integerPart());
            break;
        case 8:
            listLabels();
            break;
        case 9: {
            const int bank = selectedBank[static_cast<std::size_t>(returnDepth)];
            if (bank > 0 && bank < kBanks)
                programMemory[0] = programMemory[static_cast<std::size_t>(bank)];
            break;
        }
        case 10:
            setX(DecNumber::fromInt(x.isNegative() ? -1 : (x.isZero() ? 0 : 1)));
            break;
        case 11:
            if (const auto v = variances()) {
                tRegister = v->y;
                setX(v->x);
            } else {
                fail(0);
            }
            break;
        case 12:
            if (const auto line = regression()) {
                tRegister = line->m;
                setX(line->b);
            } else {
                fail(1);
            }
            break;
        case 13: {
            const auto v = variances();
            const auto line = regression();
            if (!v || !line || v->x.isZero()) {
                fail(1);
                break;
            }
            DecNumber r = line->m;
            r.multiply(v->y);
            r.divide(v->x);
            setX(r);
            break;
        }
        case 14:
            if (const auto line = regression()) {
                DecNumber r = line->m;
                r.multiply(x);
                setX(line->b + r);
            } else {
                fail(1);
            }
            break;
        case 15: {
            const auto line = regression();
            if (!line || line->m.isZero()) {
                fail(1);
                break;
            }
            DecNumber r = x - line->b;
            r.divide(line->m);
            setX(r);
            break;
        }
        case 16:
        case 17:
            setX(DecNumber::fromRaw(99999, 10));  // 99999 x 10^-2
            break;
        case 18:
            if (errorFlag == 0) userFlags[7] = 1;
            break;
        case 19:
            if (errorFlag != 0) userFlags[7] = 1;
            break;
        case 40:
            userFlags[7] = 1;
            break;
        default:
            errorFlag = 1;
            mode = kCalculate;
            returnDepth = 0;
            break;
    }
}

}  // namespace korvelce
