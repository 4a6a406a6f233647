// The configuration file: the ERP login values and the company database values.
//
// Format (the one our installations write, see escreverConfiguracao):
//  - Text in UTF-8; a file that is not valid UTF-8 is read as Windows-1252
//    (files edited with an old Windows editor). A UTF-8 byte order mark at the
//    start is skipped.
//  - Lines end with LF, CR LF or CR. A line may hold at most 64 KiB and the
//    file at most 1 MiB.
//  - Blank lines and lines whose first non-blank character is ';' or '#' are
//    comments. There are no comments at the end of a line: a password may hold
//    ';' or '#'.
//  - "[Name]" starts a section; names are matched without regard to case. The
//    sections read are [ERP] and [BaseDados]; others are ignored.
//  - "Key = Value" inside a section; the key is matched without regard to
//    case, blanks around the key and the value are dropped. A value written
//    between double quotes is taken as it stands between them (blanks kept,
//    "" for one quote). When a key appears twice in a section the first one
//    counts. Lines of any other form are ignored.
//  - [ERP]: Utilizador (E1), Password (E2, may be empty), Empresa (E3),
//    Instancia (E4, a connection text such as
//    "Driver=QSQLITE;Database=/srv/orlavane/demo.db"), Posto (E5).
//  - [BaseDados]: Servidor (D1: "sqlite", or a PostgreSQL host name, address or
//    Unix socket folder, optionally followed by ":port"), BaseDados (D2: the
//    SQLite file, relative to the application folder, or the PostgreSQL
//    database), Utilizador (D3), Password (D4, may be empty). Any other key
//    there is kept for the connection, which takes libpq's own keys
//    (sslmode, sslrootcert, ...) and refuses the rest, naming the file.
//  - NUL bytes or other control characters (but tab) mean the file is not a
//    configuration file at all and it is refused.
// A missing file gives every value empty. Error texts name the file and the
// problem, never a value (a value may be a password).

#include "Configuracao.h"

#include "CodigoPagina.h"
#include "Erro.h"
#include "Mensagens.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringDecoder>
#include <QSysInfo>

#include <algorithm>

namespace {

constexpr qint64 TamanhoMaximo = 1024 * 1024;
constexpr qsizetype LinhaMaxima = 64 * 1024;

const QString SeccaoErp = QStringLiteral("erp");
const QString SeccaoBd = QStringLiteral("basedados");
const QStringList ChavesErp = {QStringLiteral("utilizador"), QStringLiteral("password"), QStringLiteral("empresa"),
                               QStringLiteral("instancia"), QStringLiteral("posto")};
const QStringList ChavesBd = {QStringLiteral("servidor"), QStringLiteral("basedados"), QStringLiteral("utilizador"),
                              QStringLiteral("password")};

/// Section (lower case) -> key (lower case) -> value.
using Seccoes = QHash<QString, QHash<QString, QString>>;

[[noreturn]] void recusar(int numero, const QString& descricao, const QString& caminho, const QString& motivo) {
    throw Erro(numero, QStringLiteral("O %1 \"%2\" não pode ser lido: %3").arg(descricao, caminho, motivo));
}

QByteArray lerBytes(const QString& caminho, const QString& descricao) {
    const QFileInfo info(caminho);
    if (info.isDir())
        recusar(Erro::Ficheiro, descricao, caminho, QStringLiteral("é uma pasta."));
    // A pipe or a device could block or never end.
    if (!info.isFile())
        recusar(Erro::Ficheiro, descricao, caminho, QStringLiteral("não é um ficheiro normal."));
    QFile f(caminho);
    if (!f.open(QIODevice::ReadOnly)) {
        recusar(Erro::Ficheiro, descricao, caminho,
                f.error() == QFileDevice::PermissionsError ? QStringLiteral("sem permissão de leitura.")
                                                           : f.errorString() + QLatin1Char('.'));
    }
    // Read in blocks up to one byte past the limit: a file of a few hundred
    // bytes does not cost a megabyte.
    QByteArray bytes;
    char bloco[16384];
    while (bytes.size() <= TamanhoMaximo) {
        const qint64 lidos = f.read(bloco, sizeof bloco);
        if (lidos < 0)
            recusar(Erro::Ficheiro, descricao, caminho, f.errorString() + QLatin1Char('.'));
        if (lidos == 0)
            break;
        bytes.append(bloco, static_cast<qsizetype>(lidos));
    }
    if (bytes.size() > TamanhoMaximo)
        recusar(Erro::Configuracao, descricao, caminho, QStringLiteral("é demasiado grande (mais de 1 MiB)."));
    return bytes;
}

/// Checks the raw bytes: no binary content, no line too long.
void verificar(const QByteArray& bytes, const QString& descricao, const QString& caminho) {
    qsizetype inicioLinha = 0;
    int numeroLinha = 1;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes.at(i));
        if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < bytes.size() && bytes.at(i + 1) == '\n')
                ++i;
            inicioLinha = i + 1;
            ++numeroLinha;
            continue;
        }
        if (c == 0)
            recusar(Erro::Configuracao, descricao, caminho,
                    QStringLiteral("contém bytes nulos; não é um ficheiro de texto."));
        if ((c < 0x20 && c != '\t') || c == 0x7f)
            recusar(Erro::Configuracao, descricao, caminho,
                    QStringLiteral("contém caracteres de controlo (linha %1); não é um ficheiro de texto.")
                        .arg(numeroLinha));
        if (i - inicioLinha >= LinhaMaxima)
            recusar(Erro::Configuracao, descricao, caminho,
                    QStringLiteral("a linha %1 tem mais de 64 KiB.").arg(numeroLinha));
    }
}

QString decodificar(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString texto = utf8(bytes);
    if (utf8.hasError())
        return deWindows1252(bytes);
    if (texto.startsWith(QChar(0xfeff)))
        texto.remove(0, 1);
    return texto;
}

/// "Value" or "\"Value\"" as written after the '='.
QString valorEscrito(const QString& bruto) {
    const QString v = bruto.trimmed();
    if (v.size() >= 2 && v.startsWith(QLatin1Char('"')) && v.endsWith(QLatin1Char('"')))
        return v.mid(1, v.size() - 2).replace(QLatin1String("\"\""), QLatin1String("\""));
    return v;
}

Seccoes analisar(const QString& texto) {
    Seccoes r;
    QString seccao;
    qsizetype i = 0;
    const qsizetype n = texto.size();
    while (i < n) {
        qsizetype fim = i;
        while (fim < n && texto.at(fim) != QLatin1Char('\n') && texto.at(fim) != QLatin1Char('\r'))
            ++fim;
        const QString linha = texto.mid(i, fim - i).trimmed();
        i = fim + 1;
        if (fim + 1 < n && texto.at(fim) == QLatin1Char('\r') && texto.at(fim + 1) == QLatin1Char('\n'))
            ++i;

        if (linha.isEmpty() || linha.startsWith(QLatin1Char(';')) || linha.startsWith(QLatin1Char('#')))
            continue;
        if (linha.startsWith(QLatin1Char('[')) && linha.endsWith(QLatin1Char(']'))) {
            seccao = linha.mid(1, linha.size() - 2).trimmed().toLower();
            continue;
        }
        const qsizetype igual = linha.indexOf(QLatin1Char('='));
        if (igual <= 0 || seccao.isEmpty())
            continue;
        const QString chave = linha.left(igual).trimmed().toLower();
        auto& valores = r[seccao];
        if (!valores.contains(chave))
            valores.insert(chave, valorEscrito(linha.mid(igual + 1)));
    }
    return r;
}

/// The values of one section, in the order of `chaves`, and its other keys
/// (in key order) when `outras` is given; all empty for a missing file.
template <std::size_t N>
std::array<QString, N> lerSeccao(const QString& caminho, const QString& descricao, const QString& seccao,
                                 const QStringList& chaves, OutrasChaves* outras = nullptr) {
    std::array<QString, N> r;
    if (outras)
        outras->clear();
    if (!QFileInfo::exists(caminho) && !QFileInfo(caminho).isSymLink())
        return r;
    const QByteArray bytes = lerBytes(caminho, descricao);
    verificar(bytes, descricao, caminho);
    const Seccoes seccoes = analisar(decodificar(bytes));
    const auto valores = seccoes.value(seccao);
    for (std::size_t k = 0; k < N; ++k)
        r[k] = valores.value(chaves.at(static_cast<qsizetype>(k)));
    if (outras) {
        for (auto i = valores.cbegin(); i != valores.cend(); ++i)
            if (!chaves.contains(i.key()))
                outras->append({i.key(), i.value()});
        std::sort(outras->begin(), outras->end());
    }
    return r;
}

/// Asks the operator for `valores`; blanks around the values that are not
/// secret are dropped. False when the operator cancelled.
template <std::size_t N>
bool pedir(Mensagens& mensagens, const QString& titulo, const QStringList& rotulos, std::array<QString, N>& valores,
           int segredo) {
    QStringList v;
    for (const QString& s : valores)
        v << s;
    if (!mensagens.pedirValores(titulo, rotulos, v, {segredo}))
        return false;
    for (std::size_t k = 0; k < N; ++k) {
        const auto i = static_cast<qsizetype>(k);
        const QString s = i < v.size() ? v.at(i) : QString();
        valores[k] = i == segredo ? s : s.trimmed();
    }
    return true;
}

QString escreverValor(const QString& chave, const QString& v) {
    if (v.contains(QLatin1Char('\n')) || v.contains(QLatin1Char('\r')))
        throw Erro(Erro::Configuracao,
                   QStringLiteral("O valor de \"%1\" não pode ter mudanças de linha num ficheiro de configuração.")
                       .arg(chave));
    const bool citar = v.trimmed() != v || v.startsWith(QLatin1Char('"'));
    return chave + QStringLiteral(" = ") +
           (citar ? QLatin1Char('"') + QString(v).replace(QLatin1String("\""), QLatin1String("\"\"")) + QLatin1Char('"')
                  : v);
}

} // namespace

// ---------------------------------------------------------------------------

void ConfigErp::ler(const QString& caminhoConfiguracao) {
    m_caminho = caminhoConfiguracao;
    m_valores = lerSeccao<5>(caminhoConfiguracao, QStringLiteral("ficheiro de configuração"), SeccaoErp, ChavesErp);
}

bool ConfigErp::completar(Mensagens& mensagens) {
    if (!m_valores[0].isEmpty() && !m_valores[2].isEmpty() && !m_valores[3].isEmpty() && !m_valores[4].isEmpty())
        return true;
    std::array<QString, 5> v = m_valores;
    // The workstation is this machine unless the operator says otherwise.
    if (v[4].isEmpty())
        v[4] = QSysInfo::machineHostName();
    if (!pedir(mensagens, QStringLiteral("Ligação ao ERP"),
               {QStringLiteral("Utilizador"), QStringLiteral("Palavra-passe"), QStringLiteral("Empresa"),
                QStringLiteral("Instância"), QStringLiteral("Posto")},
               v, 1))
        return false;
    m_valores = v;
    return true;
}

void ConfigBd::ler(const QString& caminhoConfiguracao) {
    m_valores =
        lerSeccao<4>(caminhoConfiguracao, QStringLiteral("ficheiro de configuração"), SeccaoBd, ChavesBd, &m_outras);
}

void ConfigBd::lerAlternativo(const QString& caminhoAlternativo) {
    m_alternativos = lerSeccao<4>(caminhoAlternativo, QStringLiteral("ficheiro alternativo da base de dados"), SeccaoBd,
                                  ChavesBd, &m_outrasAlternativas);
}

bool ConfigBd::completar(Mensagens* mensagens) {
    for (std::size_t k = 0; k < m_valores.size(); ++k) {
        if (m_valores[k].isEmpty())
            m_valores[k] = m_alternativos[k];
    }
    const auto completos = [this] {
        return !m_valores[0].isEmpty() && !m_valores[1].isEmpty() && !m_valores[2].isEmpty();
    };
    if (completos() || m_definicao != 1 || !mensagens)
        return completos();
    std::array<QString, 4> v = m_valores;
    if (!pedir(*mensagens, QStringLiteral("Base de dados da empresa"),
               {QStringLiteral("Servidor"), QStringLiteral("Base de dados"), QStringLiteral("Utilizador"),
                QStringLiteral("Palavra-passe")},
               v, 3))
        return false;
    m_valores = v;
    return completos();
}

void escreverConfiguracao(const QString& caminho, const std::array<QString, 5>& erp, const std::array<QString, 4>& bd,
                          const OutrasChaves& outrasBd) {
    const QStringList nomesErp = {QStringLiteral("Utilizador"), QStringLiteral("Password"), QStringLiteral("Empresa"),
                                  QStringLiteral("Instancia"), QStringLiteral("Posto")};
    const QStringList nomesBd = {QStringLiteral("Servidor"), QStringLiteral("BaseDados"), QStringLiteral("Utilizador"),
                                 QStringLiteral("Password")};
    QStringList linhas;
    linhas << QStringLiteral("; Orlavane: ligação ao ERP e à base de dados da empresa.")
           << QStringLiteral("; Guarda palavras-passe: deve ser legível só pelo seu dono.") << QString()
           << QStringLiteral("[ERP]");
    for (qsizetype i = 0; i < nomesErp.size(); ++i)
        linhas << escreverValor(nomesErp.at(i), erp[static_cast<std::size_t>(i)]);
    linhas << QString() << QStringLiteral("[BaseDados]");
    for (qsizetype i = 0; i < nomesBd.size(); ++i)
        linhas << escreverValor(nomesBd.at(i), bd[static_cast<std::size_t>(i)]);
    for (const auto& [chave, valor] : outrasBd)
        linhas << escreverValor(chave, valor);
    const QByteArray conteudo = (linhas.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();

    QFile f(caminho);
    const auto soDono = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    // A new file is created with the owner's permissions only; an existing one
    // loses the others' before the passwords go in.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate, soDono) || !f.setPermissions(soDono) ||
        f.write(conteudo) != conteudo.size() || !f.flush())
        throw Erro(
            Erro::Ficheiro,
            QStringLiteral("O ficheiro de configuração \"%1\" não pode ser escrito: %2").arg(caminho, f.errorString()));
}
