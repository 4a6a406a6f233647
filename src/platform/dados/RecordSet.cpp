// The result of a query, read forward only.
//
// A record set streams its rows from a forward-only cursor and keeps nothing
// but the current row, so that a walk over tens of thousands of rows costs one
// step and the values read per row. Rows are only taken out of the cursor and
// kept (the "retained" rows) when the record set must know its count, or when
// the connection is about to be used for another statement: PostgreSQL sends
// one result at a time over a connection, and Qt drops the rest of a
// forward-only result as soon as another statement runs on it.
//
// A closed (or never opened) record set has no Dados.

#include "RecordSet.h"

#include "Erro.h"
#include "TextoUtf8.h"

#include <QDateTime>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

struct RecordSet::Dados {
    std::unique_ptr<CursorDados> cursor; ///< set while rows are streamed from it
    QStringList nomes;
    int colunas = 0;
    bool actual = false; ///< on a record
    int passados = 0;    ///< records moved past, before the current one

    // Retained rows, the current record first: `colunas` values per row.
    bool retido = false;
    std::vector<QVariant> retidas;
    std::size_t linhasRetidas = 0;
    std::size_t linhaRetida = 0;
    /// A database error met while retaining: raised when the walk gets there.
    std::optional<Erro> erroPendente;

    /// The texts the typed reader made, column by column.
    TextosRepetidos textos;
    /// Per column, the last ISO day read and its date: the lines of one
    /// order share their days, and a day is read once for them.
    struct DiaLido {
        char iso[10] = {};
        QDate data;
    };
    std::vector<DiaLido> dias;

    /// Raises Erro unless the record set `d` has a current record with this field.
    static const Dados& exigirCampo(const std::unique_ptr<Dados>& d, int indice) {
        if (!d || !d->actual)
            throw Erro(Erro::Sql, QStringLiteral("Não há registo actual: o conjunto de registos está no fim."));
        if (indice < 0 || indice >= d->colunas)
            throw Erro(Erro::ForaDeIntervalo, QStringLiteral("O campo número %1 não existe.").arg(indice));
        return *d;
    }
    QVariant valor(int indice) const {
        if (retido)
            return retidas[linhaRetida * static_cast<std::size_t>(colunas) + static_cast<std::size_t>(indice)];
        return cursor->valor(indice);
    }
    /// The value as the engine holds it, or as the variant gives it (its
    /// text, when it needs one, kept in `guarda`).
    ValorBruto bruto(int indice, QByteArray& guarda) const {
        if (!retido) {
            const ValorBruto b = cursor->bruto(indice);
            if (b.tipo != ValorBruto::Tipo::Outro)
                return b;
        }
        return brutoDaVariante(valor(indice), guarda);
    }
    static ValorBruto brutoDaVariante(const QVariant& v, QByteArray& guarda);
    /// Raises Erro `numero`: the field's value `v` is not what was asked for.
    [[noreturn]] void recusar(int indice, const ValorBruto& v, int numero, const char* oQue) const;

    /// Takes the current and remaining rows out of the cursor and lets it go.
    /// Never raises a database error: one met on the way waits in erroPendente.
    void reter() {
        if (retido || !cursor)
            return;
        retido = true;
        try {
            if (actual) {
                do {
                    for (int i = 0; i < colunas; ++i)
                        retidas.push_back(cursor->valor(i));
                    ++linhasRetidas;
                } while (cursor->avancar());
            }
        } catch (const Erro& e) {
            erroPendente = e;
        }
        cursor->libertar();
    }
};

RecordSet::RecordSet() = default;
RecordSet::~RecordSet() = default;
RecordSet::RecordSet(RecordSet&& o) noexcept : d(std::move(o.d)) {}
RecordSet& RecordSet::operator=(RecordSet&& o) noexcept {
    d = std::move(o.d);
    return *this;
}

void RecordSet::abrir(std::unique_ptr<CursorDados> cursor) {
    fechar();
    if (!cursor)
        return;
    d = std::make_unique<Dados>();
    d->nomes = cursor->nomes();
    d->colunas = static_cast<int>(d->nomes.size());
    d->textos = TextosRepetidos(d->colunas);
    d->dias.resize(static_cast<std::size_t>(d->colunas));
    d->cursor = std::move(cursor);
    d->cursor->definirRetencao([dados = d.get()] { dados->reter(); });
    d->actual = d->cursor->avancar();
}

void RecordSet::fechar() {
    d.reset();
}

int RecordSet::contagem() {
    if (!d)
        return 0;
    if (d->cursor && !d->retido)
        d->reter();
    if (d->erroPendente)
        throw *d->erroPendente;
    // Rows moved past, then the retained ones (the current row among them).
    return d->passados + static_cast<int>(d->linhasRetidas - d->linhaRetida);
}

bool RecordSet::fim() const {
    return !d || !d->actual;
}

void RecordSet::seguinte() {
    if (fim())
        throw Erro(Erro::Sql, QStringLiteral("O conjunto de registos já está no fim: não há registo seguinte."));
    ++d->passados;
    d->actual = false;
    if (d->retido) {
        ++d->linhaRetida;
        d->actual = d->linhaRetida < d->linhasRetidas;
        if (!d->actual && d->erroPendente)
            throw *d->erroPendente;
    } else {
        d->actual = d->cursor->avancar();
    }
}

int RecordSet::indiceCampo(const QString& nome) const {
    if (!d)
        return -1;
    for (int i = 0; i < d->colunas; ++i) {
        if (d->nomes.at(i).compare(nome, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QVariant RecordSet::campo(const QString& nome) const {
    const int i = indiceCampo(nome);
    if (i < 0)
        throw Erro(Erro::Sql, QStringLiteral("O campo \"%1\" não existe.").arg(nome));
    if (fim())
        throw Erro(Erro::Sql,
                   QStringLiteral("O campo \"%1\" não pode ser lido: o conjunto de registos está no fim.").arg(nome));
    return valor(i);
}

QVariant RecordSet::valor(int indice) const {
    return Dados::exigirCampo(d, indice).valor(indice);
}

QStringList RecordSet::nomes() const {
    return d ? d->nomes : QStringList();
}

// ---------------------------------------------------------------------------
// Typed readers

namespace {

using Tipo = ValorBruto::Tipo;

QString textoDoValor(const ValorBruto& v, const QVariant& variante) {
    switch (v.tipo) {
    case Tipo::Inteiro:
        return QString::number(v.inteiro);
    case Tipo::Real:
        return QString::number(v.real, 'g', 17);
    case Tipo::Texto:
    case Tipo::Numero:
    case Tipo::Data:
        return QString::fromUtf8(v.bytes);
    default:
        return variante.toString();
    }
}

QLatin1String semBrancos(QByteArrayView b) {
    qsizetype i = 0, n = b.size();
    while (i < n && (b[i] == ' ' || b[i] == '\t'))
        ++i;
    while (n > i && (b[n - 1] == ' ' || b[n - 1] == '\t'))
        --n;
    return QLatin1String(b.data() + i, n - i);
}

/// Whether the text reads as a number at all (however large).
bool pareceNumero(QLatin1String t) {
    double d = 0;
    const auto [fim, ec] = std::from_chars(t.data(), t.data() + t.size(), d);
    return fim == t.data() + t.size() && t.size() > 0 && ec != std::errc::invalid_argument;
}

/// The day at the start of ISO text ("2024-03-05", "2024-03-05 14:30:00",
/// "2024-03-05T14:30:00Z"); an invalid date when it is not there.
QDate diaIso(QLatin1String t) {
    if (t.size() < 10 || t[4] != QLatin1Char('-') || t[7] != QLatin1Char('-'))
        return {};
    int v[3] = {0, 0, 0};
    const int limites[3][2] = {{0, 4}, {5, 7}, {8, 10}};
    for (int k = 0; k < 3; ++k) {
        for (int i = limites[k][0]; i < limites[k][1]; ++i) {
            const char c = t[i].toLatin1();
            if (c < '0' || c > '9')
                return {};
            v[k] = v[k] * 10 + (c - '0');
        }
    }
    if (t.size() > 10 && t[10] != QLatin1Char(' ') && t[10] != QLatin1Char('T'))
        return {};
    return QDate(v[0], v[1], v[2]);
}

} // namespace

ValorBruto RecordSet::Dados::brutoDaVariante(const QVariant& v, QByteArray& guarda) {
    ValorBruto b;
    if (v.isNull()) {
        b.tipo = Tipo::Nulo;
        return b;
    }
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
        b.tipo = Tipo::Inteiro;
        b.inteiro = v.toLongLong();
        return b;
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        if (v.toULongLong() <= static_cast<qulonglong>(std::numeric_limits<qint64>::max())) {
            b.tipo = Tipo::Inteiro;
            b.inteiro = v.toLongLong();
            return b;
        }
        guarda = v.toString().toLatin1(); // too large: refused by its text
        b.tipo = Tipo::Numero;
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        b.tipo = Tipo::Real;
        b.real = v.toDouble();
        return b;
    case QMetaType::QString:
        guarda = v.toString().toUtf8();
        b.tipo = Tipo::Texto;
        break;
    case QMetaType::QDate:
        guarda = v.toDate().toString(Qt::ISODate).toLatin1();
        b.tipo = Tipo::Data;
        break;
    case QMetaType::QDateTime:
        guarda = v.toDateTime().toString(Qt::ISODate).toLatin1();
        b.tipo = Tipo::Data;
        break;
    default:
        if (v.metaType() == QMetaType::fromType<Moeda>()) {
            guarda = v.value<Moeda>().paraTextoC().toLatin1();
            b.tipo = Tipo::Numero;
            break;
        }
        return b;
    }
    b.bytes = QByteArrayView(guarda);
    return b;
}

void RecordSet::Dados::recusar(int indice, const ValorBruto& v, int numero, const char* oQue) const {
    throw Erro(numero, QStringLiteral("O campo \"%1\" tem o valor \"%2\", que %3.")
                           .arg(nomes.at(indice), textoDoValor(v, valor(indice)), QString::fromUtf8(oQue)));
}

QString RecordSet::texto(int indice) const {
    Dados::exigirCampo(d, indice);
    QByteArray guarda;
    const ValorBruto v = d->bruto(indice, guarda);
    if (v.tipo == Tipo::Nulo)
        return QString();
    if (v.tipo == Tipo::Texto && !d->retido) {
        if (auto t = d->textos.texto(indice, v.bytes))
            return std::move(*t);
    }
    // Anything else as the engine's driver makes it text.
    return d->valor(indice).toString();
}

std::optional<qint64> RecordSet::inteiro(int indice) const {
    Dados::exigirCampo(d, indice);
    QByteArray guarda;
    const ValorBruto v = d->bruto(indice, guarda);
    switch (v.tipo) {
    case Tipo::Nulo:
        return std::nullopt;
    case Tipo::Inteiro:
        return v.inteiro;
    case Tipo::Real:
        if (!std::isfinite(v.real) || std::fabs(v.real) >= 9223372036854775808.0)
            d->recusar(indice, v, Erro::Transbordo, "não cabe num número inteiro");
        if (v.real != std::trunc(v.real))
            d->recusar(indice, v, Erro::TipoIncompativel, "não é um número inteiro");
        return static_cast<qint64>(v.real);
    case Tipo::Texto:
    case Tipo::Numero: {
        const QLatin1String t = semBrancos(v.bytes);
        qint64 n = 0;
        const auto [fim, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
        if (ec == std::errc() && fim == t.data() + t.size())
            return n;
        // A decimal without a fraction ("2024.0000") is a whole number too.
        if (const auto m = Moeda::deTextoC(t)) {
            if (m->unidades() % Moeda::Escala == 0)
                return m->unidades() / Moeda::Escala;
            d->recusar(indice, v, Erro::TipoIncompativel, "não é um número inteiro");
        }
        if (pareceNumero(t))
            d->recusar(indice, v, Erro::Transbordo, "não cabe num número inteiro");
        d->recusar(indice, v, Erro::TipoIncompativel, "não é um número inteiro");
    }
    default:
        d->recusar(indice, v, Erro::TipoIncompativel, "não é um número inteiro");
    }
}

std::optional<Moeda> RecordSet::moeda(int indice) const {
    Dados::exigirCampo(d, indice);
    QByteArray guarda;
    const ValorBruto v = d->bruto(indice, guarda);
    constexpr const char* grande = "não cabe num valor monetário (quatro casas decimais)";
    switch (v.tipo) {
    case Tipo::Nulo:
        return std::nullopt;
    case Tipo::Inteiro:
        if (v.inteiro > std::numeric_limits<qint64>::max() / Moeda::Escala ||
            v.inteiro < std::numeric_limits<qint64>::min() / Moeda::Escala)
            d->recusar(indice, v, Erro::Transbordo, grande);
        return Moeda::deInteiro(v.inteiro);
    case Tipo::Real:
        if (std::isnan(v.real))
            d->recusar(indice, v, Erro::TipoIncompativel, "não é um número");
        // The range of the type, with a margin for the rounding to four decimals.
        if (std::fabs(v.real) > 922337203685477.0)
            d->recusar(indice, v, Erro::Transbordo, grande);
        return Moeda::deDouble(v.real);
    case Tipo::Texto:
    case Tipo::Numero: {
        const QLatin1String t = semBrancos(v.bytes);
        if (const auto m = Moeda::deTextoC(t))
            return m;
        const bool grandeDemais = pareceNumero(t);
        d->recusar(indice, v, grandeDemais ? Erro::Transbordo : Erro::TipoIncompativel,
                   grandeDemais ? grande : "não é um número");
    }
    default:
        d->recusar(indice, v, Erro::TipoIncompativel, "não é um número");
    }
}

QDate RecordSet::data(int indice) const {
    Dados::exigirCampo(d, indice);
    QByteArray guarda;
    const ValorBruto v = d->bruto(indice, guarda);
    if (v.tipo == Tipo::Nulo)
        return QDate();
    if (v.tipo == Tipo::Texto || v.tipo == Tipo::Data) {
        const QLatin1String t = semBrancos(v.bytes);
        Dados::DiaLido& ultimo = d->dias[static_cast<std::size_t>(indice)];
        if (t.size() >= 10 && ultimo.data.isValid() && std::memcmp(ultimo.iso, t.data(), 10) == 0 &&
            (t.size() == 10 || t[10] == QLatin1Char(' ') || t[10] == QLatin1Char('T')))
            return ultimo.data;
        if (const QDate dia = diaIso(t); dia.isValid()) {
            std::memcpy(ultimo.iso, t.data(), 10);
            ultimo.data = dia;
            return dia;
        }
        // Other ISO forms Qt reads ("20240305T1430").
        const QDateTime dt = QDateTime::fromString(QString::fromUtf8(v.bytes).trimmed(), Qt::ISODate);
        if (dt.isValid())
            return dt.date();
    }
    d->recusar(indice, v, Erro::TipoIncompativel, "não é uma data");
}
