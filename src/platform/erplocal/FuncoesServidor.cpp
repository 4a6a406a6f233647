#include "FuncoesServidor.h"

#include "Erro.h"

#include <QSqlError>
#include <QSqlQuery>

namespace FuncoesServidor {

namespace {

/// A refusal by the ERP's rules: raised with this state inside a store, and
/// turned into the store's answer by its outer block (which also undoes
/// everything the store did).
const char* const Recusa = "OR001";

/// The body shared by the entry's store and the Guia's. `p_guia`: the
/// document satisfies order lines (a client, origins); otherwise its lines
/// have no origin.
const char* const Gravar = R"SQL(
CREATE OR REPLACE FUNCTION erp_gravar(p jsonb, p_guia boolean) RETURNS integer
LANGUAGE plpgsql SET search_path = %1, pg_temp AS $f$
DECLARE
    v_cab docgccab;
    v_linhas docgclin[];
    v_l record;
    v_numero bigint;
    v_ultimo bigint;
    v_maior bigint;
    v_texto text;
    v_chave text;
    v_resto numeric;
BEGIN
    v_cab := jsonb_populate_record(NULL::docgccab, p -> 'cab');
    -- One store of a workstation at a time: a workstation started again
    -- waits for the stores its earlier life left on their way.
    PERFORM pg_advisory_xact_lock(1869770081, hashtext(coalesce(v_cab.posto, '')));
    PERFORM erp_exigir_utilizador();
    IF p_guia AND (v_cab.modogravacao IS NULL OR v_cab.modogravacao NOT BETWEEN 1 AND 3) THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('O modo de gravação %s não existe (1, 2 ou 3).', v_cab.modogravacao);
    END IF;
    IF coalesce(v_cab.tpdoc, '') = '' THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = 'O documento não tem tipo (TipoDocumento).';
    END IF;
    IF v_cab.serie IS NULL THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = 'O documento não tem série (Serie).';
    END IF;
    v_cab.ano := coalesce(v_cab.ano, extract(year FROM v_cab.data)::integer);

    v_linhas := ARRAY(SELECT jsonb_populate_record(NULL::docgclin, e)
                        FROM jsonb_array_elements(coalesce(p -> 'linhas', '[]')) WITH ORDINALITY AS l(e, o) ORDER BY o);
    IF cardinality(v_linhas) = 0 THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = 'Documento inválido. Obrigatório ter linhas.';
    END IF;
    SELECT l.ordinality AS o, l.artigo, l.quant, l.orano, l.ornum, l.orserie, l.linhaoriginal INTO v_l
      FROM unnest(v_linhas) WITH ORDINALITY AS l
     WHERE coalesce(l.artigo, '') = '' OR l.quant IS NULL OR l.quant <= 0
        OR (p_guia AND coalesce(l.ordoc, '') <> ''
            AND (l.orano IS NULL OR l.ornum IS NULL OR l.orserie IS NULL OR l.linhaoriginal IS NULL))
     ORDER BY l.ordinality LIMIT 1;
    IF FOUND THEN
        v_texto := CASE
            WHEN coalesce(v_l.artigo, '') = '' THEN format('Linha %s: falta o artigo.', v_l.o)
            WHEN v_l.quant IS NULL THEN format('Linha %s: falta a quantidade.', v_l.o)
            WHEN v_l.quant <= 0 THEN format('Linha %s: a quantidade tem de ser positiva (%s).', v_l.o, erp_texto_quantidade(v_l.quant))
            ELSE format('Linha %s: a referência à encomenda está incompleta (falta %s).', v_l.o,
                        CASE WHEN v_l.orano IS NULL THEN 'Orano' WHEN v_l.ornum IS NULL THEN 'OrNum'
                             WHEN v_l.orserie IS NULL THEN 'Orserie' ELSE 'LinhaOriginal' END) END;
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = v_texto;
    END IF;

    IF p_guia AND NOT EXISTS (SELECT 1 FROM clientes WHERE codigo = v_cab.terceiro AND inactivo <> -1) THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('Cliente %s inexistente ou inactivo.', v_cab.terceiro);
    END IF;
    IF NOT EXISTS (SELECT 1 FROM tpdoc WHERE codigo = v_cab.tpdoc) THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('O tipo de documento "%s" não existe.', v_cab.tpdoc);
    END IF;
    IF NOT EXISTS (SELECT 1 FROM nomserie WHERE tipodoc = v_cab.tpdoc AND serie = v_cab.serie) THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('A série %s do tipo de documento %s não existe.', v_cab.serie, v_cab.tpdoc);
    END IF;
    SELECT l.artigo INTO v_texto FROM unnest(v_linhas) WITH ORDINALITY AS l
     WHERE NOT EXISTS (SELECT 1 FROM artigos a WHERE a.codigo = l.artigo) ORDER BY l.ordinality LIMIT 1;
    IF FOUND THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('Artigo %s inexistente.', v_texto);
    END IF;
    -- The entry a Guia names must be there, live, until the Guia's commit
    -- (its annulment waits): a call held up on a link may arrive after the
    -- workstation, started again, annulled its entry.
    IF p_guia AND coalesce(v_cab.docrelacionado, '') <> '' THEN
        v_chave := v_cab.docrelacionado;
        PERFORM 1 FROM docgccab
         WHERE (tpdoc, serie, nnumdoc, ano) = (SELECT m[1], m[2]::integer, m[3]::integer, m[4]::integer
                 FROM regexp_match(v_chave, '^(.*)/(-?\d{1,9})/(-?\d{1,9})/(-?\d{1,4})$') AS m)
           AND anulado <> -1
           FOR SHARE;
        IF NOT FOUND THEN
            RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('A entrada %s da guia não existe ou está anulada.', v_chave);
        END IF;
        v_chave := NULL;
    END IF;
    IF p_guia AND coalesce(v_cab.numcontribuinte, '') = '' THEN
        v_cab.numcontribuinte := coalesce((SELECT numcontribuinte FROM clientes WHERE codigo = v_cab.terceiro), '');
    END IF;

    -- The next number of the type, series and year: the numbering row stays
    -- locked until the commit; never below a number already stored.
    INSERT INTO erpnumeracao (tipodoc, serie, ano, ultimo) VALUES (v_cab.tpdoc, v_cab.serie, v_cab.ano, 0)
        ON CONFLICT DO NOTHING;
    SELECT ultimo INTO v_ultimo FROM erpnumeracao
     WHERE tipodoc = v_cab.tpdoc AND serie = v_cab.serie AND ano = v_cab.ano FOR UPDATE;
    SELECT coalesce(max(nnumdoc), 0) INTO v_maior FROM docgccab
     WHERE tpdoc = v_cab.tpdoc AND serie = v_cab.serie AND ano = v_cab.ano;
    v_numero := greatest(v_ultimo, v_maior) + 1;
    IF v_numero > 2147483647 THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('A numeração de %s/%s/%s esgotou-se.', v_cab.tpdoc, v_cab.serie, v_cab.ano);
    END IF;
    UPDATE erpnumeracao SET ultimo = v_numero WHERE tipodoc = v_cab.tpdoc AND serie = v_cab.serie AND ano = v_cab.ano;

    v_cab.nnumdoc := v_numero;
    v_cab.utilizador := session_user;
    v_cab.anulado := 0;
    v_cab.impressoes := 0;
    v_cab.motivoanulacao := '';
    INSERT INTO docgccab SELECT (v_cab).*;
    INSERT INTO docgclin
    SELECT r.* FROM jsonb_array_elements(p -> 'linhas') WITH ORDINALITY AS l(e, o),
           LATERAL jsonb_populate_record(NULL::docgclin,
               e || jsonb_build_object('tpdocum', v_cab.tpdoc, 'serie', v_cab.serie, 'nnumdoc', v_numero,
                                       'ano', v_cab.ano, 'numlinha', o, 'linanu', 0, 'data', v_cab.data)
                 || CASE WHEN p_guia AND coalesce(e ->> 'ordoc', '') <> '' THEN '{}'::jsonb
                         ELSE '{"ordoc": null, "orano": null, "ornum": null, "orserie": null, "linhaoriginal": null}'::jsonb
                    END) AS r;
    IF NOT p_guia THEN
        RETURN v_numero;
    END IF;

    -- Each order line satisfied: locked in key order, the same in every
    -- session, so that two saves never wait for each other's lines crosswise;
    -- then checked line by line as if taken one after another (a line named
    -- twice gives the second what the first left), and reduced.
    PERFORM 1 FROM docgclin d
      JOIN (SELECT DISTINCT ordoc, orserie, ornum, orano, linhaoriginal FROM unnest(v_linhas)
             WHERE coalesce(ordoc, '') <> '') o
        ON d.tpdocum = o.ordoc AND d.serie = o.orserie AND d.nnumdoc = o.ornum AND d.ano = o.orano
       AND d.numlinha = o.linhaoriginal
     ORDER BY d.tpdocum COLLATE "C", d.serie, d.nnumdoc, d.ano, d.numlinha
       FOR UPDATE OF d;
    FOR v_l IN
        SELECT l.ordoc, l.orserie, l.ornum, l.orano, l.linhaoriginal, l.quant, d.quant AS pendente, d.linanu,
               c.terceiro, c.anulado
          FROM unnest(v_linhas) WITH ORDINALITY AS l
          LEFT JOIN docgclin d ON d.tpdocum = l.ordoc AND d.serie = l.orserie AND d.nnumdoc = l.ornum
                              AND d.ano = l.orano AND d.numlinha = l.linhaoriginal
          LEFT JOIN docgccab c ON c.tpdoc = d.tpdocum AND c.serie = d.serie AND c.nnumdoc = d.nnumdoc AND c.ano = d.ano
         WHERE coalesce(l.ordoc, '') <> ''
         ORDER BY l.ordoc COLLATE "C", l.orserie, l.ornum, l.orano, l.linhaoriginal, l.ordinality
    LOOP
        v_texto := format('%s/%s/%s linha %s', v_l.ordoc, v_l.orserie, v_l.ornum, v_l.linhaoriginal);
        IF v_l.anulado IS NULL OR v_l.anulado = -1 OR v_l.linanu = -1 THEN
            RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('A linha de origem %s não existe ou está anulada.', v_texto);
        END IF;
        IF v_l.terceiro <> v_cab.terceiro THEN
            RAISE EXCEPTION USING ERRCODE = '%2',
                MESSAGE = format('A linha de origem %s é do cliente %s, não de %s.', v_texto, v_l.terceiro, v_cab.terceiro);
        END IF;
        IF v_chave IS DISTINCT FROM v_texto THEN
            v_chave := v_texto;
            v_resto := round(v_l.pendente, 4);
        END IF;
        IF v_resto < v_l.quant THEN
            RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('%s: pendente %s, pedido %s', v_texto,
                erp_texto_quantidade(v_resto), erp_texto_quantidade(v_l.quant));
        END IF;
        v_resto := v_resto - v_l.quant;
    END LOOP;
    UPDATE docgclin d SET quant = (round(d.quant * 10000) - s.u) / 10000.0
      FROM (SELECT ordoc, orserie, ornum, orano, linhaoriginal, sum(round(quant * 10000)) AS u FROM unnest(v_linhas)
             WHERE coalesce(ordoc, '') <> '' GROUP BY 1, 2, 3, 4, 5) s
     WHERE d.tpdocum = s.ordoc AND d.serie = s.orserie AND d.nnumdoc = s.ornum AND d.ano = s.orano
       AND d.numlinha = s.linhaoriginal;
    RETURN v_numero;
END $f$)SQL";

const char* const Utilizador = R"SQL(
CREATE OR REPLACE FUNCTION erp_exigir_utilizador() RETURNS void
LANGUAGE plpgsql STABLE SET search_path = %1, pg_temp AS $f$
BEGIN
    -- The session's own login, which no caller can choose, is an active ERP user.
    IF NOT EXISTS (SELECT 1 FROM erputilizadores WHERE utilizador = session_user AND activo = 1) THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('O utilizador %s não é um utilizador activo do ERP.', session_user);
    END IF;
END $f$)SQL";

const char* const TextoQuantidade = R"SQL(
CREATE OR REPLACE FUNCTION erp_texto_quantidade(q numeric) RETURNS text
LANGUAGE sql IMMUTABLE SET search_path = %1, pg_temp AS $f$
    -- As the ERP writes a quantity for the operator: a comma, at least two decimals.
    SELECT replace(regexp_replace(round(q, 4)::text, '(\.\d{2}\d*?)0+$', '\1'), '.', ',')
$f$)SQL";

const char* const Entrada = R"SQL(
CREATE OR REPLACE FUNCTION erp_cria_documento_entrada(p_documento jsonb, OUT numero integer, OUT recusa text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = %1, pg_temp AS $f$
BEGIN
    numero := erp_gravar(p_documento, false);
EXCEPTION WHEN SQLSTATE '%2' THEN
    recusa := SQLERRM;
END $f$)SQL";

const char* const Guia = R"SQL(
CREATE OR REPLACE FUNCTION erp_grava_documento(p_documento jsonb, OUT numero integer, OUT recusa text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = %1, pg_temp AS $f$
BEGIN
    numero := erp_gravar(p_documento, true);
EXCEPTION WHEN SQLSTATE '%2' THEN
    recusa := SQLERRM;
END $f$)SQL";

const char* const Anulacao = R"SQL(
CREATE OR REPLACE FUNCTION erp_anula_documento(p_tipo text, p_serie integer, p_numero integer, p_ano integer,
                                               p_posto text, p_motivo text, OUT recusa text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = %1, pg_temp AS $f$
DECLARE
    v_nome text := format('%s/%s/%s/%s', p_tipo, p_serie, p_numero, p_ano);
    v_guia text;
BEGIN
    PERFORM pg_advisory_xact_lock(1869770081, hashtext(coalesce(p_posto, '')));
    PERFORM erp_exigir_utilizador();
    IF NOT EXISTS (SELECT 1 FROM docgccab WHERE tpdoc = p_tipo AND serie = p_serie AND nnumdoc = p_numero AND ano = p_ano) THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('O documento %s não existe.', v_nome);
    END IF;
    -- Conditional, so that of two sessions annulling at once only one does.
    UPDATE docgccab SET anulado = -1, motivoanulacao = coalesce(p_motivo, '')
     WHERE tpdoc = p_tipo AND serie = p_serie AND nnumdoc = p_numero AND ano = p_ano AND anulado <> -1;
    IF NOT FOUND THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('O documento %s já está anulado.', v_nome);
    END IF;
    -- An entry whose Guia was made stays (the Guia's save held it until its commit).
    SELECT tpdoc || '/' || serie || '/' || nnumdoc || '/' || ano INTO v_guia FROM docgccab
     WHERE docrelacionado = v_nome AND anulado <> -1 LIMIT 1;
    IF FOUND THEN
        RAISE EXCEPTION USING ERRCODE = '%2', MESSAGE = format('O documento %s tem a guia %s e não é anulado.', v_nome, v_guia);
    END IF;
    -- Each order line gets back what the document's lines took from it
    -- (locked in key order); an order line that is gone has nothing to take back.
    PERFORM 1 FROM docgclin d
      JOIN (SELECT DISTINCT ordoc, orserie, ornum, orano, linhaoriginal FROM docgclin
             WHERE tpdocum = p_tipo AND serie = p_serie AND nnumdoc = p_numero AND ano = p_ano AND linanu <> -1
               AND coalesce(ordoc, '') <> '') o
        ON d.tpdocum = o.ordoc AND d.serie = o.orserie AND d.nnumdoc = o.ornum AND d.ano = o.orano
       AND d.numlinha = o.linhaoriginal
     ORDER BY d.tpdocum COLLATE "C", d.serie, d.nnumdoc, d.ano, d.numlinha
       FOR UPDATE OF d;
    UPDATE docgclin d SET quant = (round(d.quant * 10000) + s.u) / 10000.0
      FROM (SELECT ordoc, orserie, ornum, orano, linhaoriginal, sum(round(quant * 10000)) AS u FROM docgclin
             WHERE tpdocum = p_tipo AND serie = p_serie AND nnumdoc = p_numero AND ano = p_ano AND linanu <> -1
               AND coalesce(ordoc, '') <> '' GROUP BY 1, 2, 3, 4, 5) s
     WHERE d.tpdocum = s.ordoc AND d.serie = s.orserie AND d.nnumdoc = s.ornum AND d.ano = s.orano
       AND d.numlinha = s.linhaoriginal;
    UPDATE docgclin SET linanu = -1 WHERE tpdocum = p_tipo AND serie = p_serie AND nnumdoc = p_numero AND ano = p_ano;
EXCEPTION WHEN SQLSTATE '%2' THEN
    recusa := SQLERRM;
END $f$)SQL";

const char* const Impressao = R"SQL(
CREATE OR REPLACE FUNCTION erp_regista_impressao(p_tipo text, p_serie integer, p_numero integer, p_ano integer,
                                                 OUT anteriores integer, OUT recusa text)
LANGUAGE plpgsql SECURITY DEFINER SET search_path = %1, pg_temp AS $f$
BEGIN
    PERFORM erp_exigir_utilizador();
    -- The row stays locked until the commit: two prints at once are counted
    -- one after the other, each with its own number.
    UPDATE docgccab SET impressoes = impressoes + 1
     WHERE tpdoc = p_tipo AND serie = p_serie AND nnumdoc = p_numero AND ano = p_ano
    RETURNING impressoes - 1 INTO anteriores;
    IF NOT FOUND THEN
        RAISE EXCEPTION USING ERRCODE = '%2',
            MESSAGE = format('O documento %s/%s/%s/%s não existe.', p_tipo, p_serie, p_numero, p_ano);
    END IF;
EXCEPTION WHEN SQLSTATE '%2' THEN
    anteriores := NULL;
    recusa := SQLERRM;
END $f$)SQL";

const char* const Operador = R"SQL(
CREATE OR REPLACE FUNCTION erp_define_operador(p_utilizador text, p_password text) RETURNS void
LANGUAGE plpgsql SET search_path = %1, pg_temp AS $f$
BEGIN
    -- Two administrators defining operators at once, even in different
    -- databases, would otherwise collide on the server's roles ("tuple
    -- concurrently updated"): one at a time, where the caller may lock them.
    BEGIN
        LOCK TABLE pg_catalog.pg_authid IN SHARE ROW EXCLUSIVE MODE;
    EXCEPTION WHEN insufficient_privilege THEN
        NULL;
    END;
    BEGIN
        EXECUTE format('CREATE ROLE %I LOGIN IN ROLE %3', p_utilizador);
    EXCEPTION WHEN duplicate_object OR unique_violation THEN
        IF NOT pg_has_role(p_utilizador, '%3', 'MEMBER') THEN
            EXECUTE format('GRANT %3 TO %I', p_utilizador);
        END IF;
    END;
    -- The server keeps only the password's SCRAM verifier.
    EXECUTE format('ALTER ROLE %I LOGIN PASSWORD %L', p_utilizador, nullif(p_password, ''));
    INSERT INTO erputilizadores (utilizador, activo) VALUES (p_utilizador, 1)
        ON CONFLICT (utilizador) DO UPDATE SET activo = 1;
END $f$)SQL";

/// The internal functions: no one but their owner (and the stores, which
/// run as their owner) calls them.
const char* const Internas[] = {
    "erp_exigir_utilizador()",
    "erp_gravar(jsonb, boolean)",
    "erp_texto_quantidade(numeric)",
    "erp_define_operador(text, text)",
};

/// The tables the program reads.
const char* const Leitura[] = {"tpdoc",    "nomserie",    "clientes",        "artigos",      "docgccab",
                               "docgclin", "erpempresas", "erputilizadores", "erpnumeracao", "erpidentidade"};

void executar(QSqlQuery& q, const QString& sql) {
    if (!q.exec(sql))
        throw Erro(
            Erro::Sql,
            QStringLiteral("Não foi possível instalar as funções do ERP no servidor: %1").arg(q.lastError().text()));
}

QString funcao(const char* assinatura) {
    return QStringLiteral("FUNCTION ") + QString::fromLatin1(assinatura);
}

} // namespace

QStringList instrucoes(const QString& esquema) {
    const QString grupo = QString::fromLatin1(GrupoOperadores), recusa = QString::fromLatin1(Recusa);
    QStringList r;
    for (const char* texto : {Utilizador, TextoQuantidade, Gravar, Entrada, Guia, Anulacao, Impressao, Operador})
        r << QString::fromUtf8(texto)
                 .replace(QLatin1String("%1"), esquema)
                 .replace(QLatin1String("%2"), recusa)
                 .replace(QLatin1String("%3"), grupo);
    return r;
}

QStringList remocao() {
    QStringList r;
    for (const char* f : Publicas)
        r << QStringLiteral("DROP FUNCTION IF EXISTS ") + QString::fromLatin1(f);
    for (const char* f : Internas)
        r << QStringLiteral("DROP FUNCTION IF EXISTS ") + QString::fromLatin1(f);
    return r;
}

void instalar(QSqlDatabase& db) {
    QSqlQuery q(db);
    const QString grupo = QString::fromLatin1(GrupoOperadores);
    executar(q, QStringLiteral("SELECT quote_ident(current_schema()), quote_ident(current_database())"));
    if (!q.next())
        throw Erro(Erro::Sql, QStringLiteral("O servidor não indica o esquema da base de dados."));
    const QString esquema = q.value(0).toString(), base = q.value(1).toString();
    // The group is the server's: made once, by the first company database.
    executar(q, QStringLiteral("DO $$ BEGIN CREATE ROLE %1 NOLOGIN; EXCEPTION WHEN duplicate_object OR "
                               "unique_violation THEN NULL; END $$")
                    .arg(grupo));
    for (const QString& sql : instrucoes(esquema))
        executar(q, sql);
    // Nothing for everyone: the database, its schema, the tables and the
    // functions are the group's to use, each as far as the program needs.
    executar(q, QStringLiteral("REVOKE ALL ON DATABASE %1 FROM PUBLIC").arg(base));
    executar(q, QStringLiteral("GRANT CONNECT ON DATABASE %1 TO %2").arg(base, grupo));
    executar(q, QStringLiteral("REVOKE ALL ON SCHEMA %1 FROM PUBLIC").arg(esquema));
    executar(q, QStringLiteral("GRANT USAGE ON SCHEMA %1 TO %2").arg(esquema, grupo));
    QStringList tabelas;
    for (const char* t : Leitura)
        tabelas << QString::fromLatin1(t);
    executar(q, QStringLiteral("REVOKE ALL ON %1 FROM PUBLIC").arg(tabelas.join(QStringLiteral(", "))));
    executar(q, QStringLiteral("GRANT SELECT ON %1 TO %2").arg(tabelas.join(QStringLiteral(", ")), grupo));
    for (const char* f : Internas)
        executar(q, QStringLiteral("REVOKE ALL ON %1 FROM PUBLIC").arg(funcao(f)));
    for (const char* f : Publicas) {
        executar(q, QStringLiteral("REVOKE ALL ON %1 FROM PUBLIC").arg(funcao(f)));
        executar(q, QStringLiteral("GRANT EXECUTE ON %1 TO %2").arg(funcao(f), grupo));
    }
}

void definirOperador(QSqlDatabase& db, const QString& utilizador, const QString& password) {
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT erp_define_operador(?, ?)"));
    q.addBindValue(utilizador);
    q.addBindValue(password);
    if (!q.exec())
        throw Erro(Erro::Sql,
                   QStringLiteral("Não foi possível definir o operador %1: %2").arg(utilizador, q.lastError().text()));
}

} // namespace FuncoesServidor
