// The entity records of a STEP exchange file, split as OpenCASCADE's reader splits them: its
// lexer skips any byte it has no rule for, a number followed by blanks and '=' names a new
// record wherever it stands, and its parser drops what it cannot read up to the next such
// number, or, inside a record, up to the next ',' or ')'. A record counts once its argument
// list closes. Fed by blocks; nothing after the exchange's end mark is looked at.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class StepScan
{
public:
    // knownType tells the record types the reader knows; by default, all.
    using KnownType = std::function<bool(const std::string& type)>;
    explicit StepScan(KnownType knownType = {});

    // False when an entity number is beyond the int range (badNumber() then says which).
    bool feed(const char* data, std::size_t size);
    // Closes what the end of the file closes; false as feed().
    bool finish();

    // The closing "END-ISO-10303-21;" was read: the bytes up to it are endOffset() long.
    bool ended() const { return m_ended; }
    std::int64_t endOffset() const { return m_endOffset; }

    // The reader holds entities at all: the file's frame is whole up to its end mark.
    bool readable() const { return m_readable; }
    // The exchange has opened ("ISO-10303-21;" and "HEADER;" were read), or it cannot any more:
    // the reader then holds no entity, whatever follows.
    bool opened() const { return m_parse != Parse::Start && m_parse != Parse::Started && m_parse != Parse::Dead; }
    bool hopeless() const { return m_parse == Parse::Dead; }
    // The records' numbers in file order, and the numbers each refers to.
    const std::vector<std::int64_t>& ids() const { return m_ids; }
    const std::vector<std::size_t>& offsets() const { return m_offsets; } // refs of i: [offsets[i], offsets[i+1])
    const std::vector<std::int64_t>& refs() const { return m_refs; }
    // Records whose references the reader's transfer follows from the other end too: an
    // assembly usage leads from its assembly to its component, a shape definition from the
    // product to its shape, a representation relationship from one shape to the other. The
    // record's references of that part start at roleRef(i) among its own.
    enum class Role : unsigned char { None, AssemblyUsage, ProductDefinitionShape, ShapeDefinition, RepresentationRelationship };
    Role role(std::size_t record) const { return Role(m_roles[record]); }
    // A record of a single type the reader does not know: it holds it as words, and follows
    // none of its references.
    bool unknown(std::size_t record) const { return m_kinds[record] == Kind::Unknown; }
    // A record of a single usage type (a relationship between product definitions, or a
    // substitute for one): of these the transfer walks only an assembly usage, from its
    // assembly to its component, and a usage's reference to a usage (itself or another) leads
    // nowhere: the reader drops it where a product definition is wanted, and walks none of the
    // others.
    bool usage(std::size_t record) const { return m_kinds[record] == Kind::Usage; }
    std::size_t roleRef(std::size_t record) const { return m_roleRefs[record]; }

    // The deepest a list stands within a record (1: a record's own arguments): the reader
    // follows each level with a call of its own.
    int deepestList() const { return m_deepestList; }

    const std::string& badNumber() const { return m_badNumber; }
    // A record opens a scope ("#1 = &SCOPE"): the reader crashes on what it holds.
    bool scoped() const { return m_scoped; }
    // A text or comment still open at the end of the file, and the line it opened on.
    enum class Open { None, Text, Comment };
    Open unclosed() const;
    std::int64_t unclosedLine() const { return m_openedOn; }

private:
    enum class Token { Entity, Ident, Type, Value, Open, Close, Comma, Equals, Semicolon, Step, Header, Endsec, Data, End, Other };
    enum class Lex { Normal, Text, Quote, Comment, CommentStar, Slash, Hash, HashBlanks, Run, Hex };
    enum class Parse {
        Start, Started, HeaderTop, HeaderEnded, Dead, Between, DataEnded,
        Named, Assigned, Typed, Arguments, Skipping, Closed, Complex, ComplexTyped
    };

    bool step(char c);
    bool byteInNormal(char c);
    bool endNumber(char next);
    bool endRun(bool semicolonFollows);
    void endHex(char next);
    void token(Token t, std::int64_t number = 0);
    bool moveOn(Token t, Token expected, Parse next); // takes the expected token
    void argumentToken(Token t, std::int64_t number);
    void openList();
    void closeList();

    // Lexer
    Lex m_lex = Lex::Normal;
    std::string m_text; // digits of a number, letters of a run, or hex digits
    std::int64_t m_line = 1;
    std::int64_t m_openedOn = 0;
    std::int64_t m_offset = 0;
    std::int64_t m_endOffset = -1;
    bool m_ended = false;
    bool m_failed = false;
    bool m_scoped = false;
    std::string m_badNumber;

    // Parser
    Parse m_parse = Parse::Start;
    bool m_inHeader = true;
    bool m_readable = false;
    int m_depth = 0;
    int m_deepestList = 0;
    bool m_typeInArguments = false; // a type was read and its list has not opened yet
    bool m_expectArgument = false;  // after '(' or ','
    bool m_complex = false;         // the record is a list of typed parts
    bool m_recorded = false;        // its first list has closed
    std::int64_t m_pending = 0;     // the number of the record being read
    std::vector<std::int64_t> m_pendingRefs;
    Role m_typeRole = Role::None; // of the last type name read
    Role m_partRole = Role::None; // of the record's part being read
    KnownType m_knownType;
    std::string m_typeName;       // of the record's single type, while its list is read
    bool m_usageType = false;     // that type is a usage's

    std::vector<std::int64_t> m_ids;
    std::vector<std::size_t> m_offsets;
    std::vector<std::int64_t> m_refs;
    std::vector<unsigned char> m_roles;
    enum class Kind : unsigned char { Known, Unknown, Usage };
    std::vector<Kind> m_kinds;
    std::vector<std::size_t> m_roleRefs;
};
