#pragma once

#include <QString>
#include <QStringList>

class Pastas;

/// Where start-up finds its configuration and how it names the company
/// database; shared with the programs beside the application (no widgets).
namespace Arranque {

/// The literals of start-up, appended to folders that have no trailing separator.
inline const QString PastaFabricante = QStringLiteral("\\tarnix");
inline const QString FicheiroConfiguracao = QStringLiteral("\\Orlavane.zeb");
inline const QString FicheiroAlternativo = QStringLiteral("\\Catalogos\\bd.sql");
inline const QString Fornecedor = QStringLiteral("MSDataShape");

/// The path of the configuration file: the maker's folder under the base
/// folder of `pastas` when that folder exists, else the application folder.
QString caminhoConfiguracao(const Pastas& pastas);

/// The company database's connection text: section [BaseDados] of the
/// configuration file `caminho`, completed from the fall-back file
/// (Catalogos/bd.sql in the application folder of `pastas`, against which a
/// relative SQLite file is resolved too) when D1, D2 or D3 is empty;
/// nothing is asked; the sections' libpq keys (sslmode, ...) go into the
/// text, the fall-back's completing those the file does not give.
/// `comPassword`, when given, receives the files whose own text held the
/// password. Raises Erro when a file cannot be read, a value is not usable,
/// or a section holds a key the program does not know (naming it and the
/// file).
QString textoLigacaoBd(const Pastas& pastas, const QString& caminho, QStringList* comPassword = nullptr);

/// Raises Erro (Configuracao) naming the file `ficheiro` when the ERP's
/// connection text `instancia` (E4) holds a key the program does not know.
void exigirChavesConhecidas(const QString& instancia, const QString& ficheiro);

} // namespace Arranque
