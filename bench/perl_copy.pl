#!/usr/bin/perl
# The reference copier: Perl DBI, one prepared INSERT, one transaction, reading the stand-in
# through DBD::ODBC and writing Firebird through DBD::Firebird. The target table must exist.
#   perl_copy.pl SQLITE_DB FIREBIRD_DB TABLE
use strict;
use warnings;
use DBI;

my ($source_db, $target_db, $table) = @ARGV;
my $source = DBI->connect("dbi:ODBC:Driver={SQL Server};Database=$source_db", '', '', { RaiseError => 1 });
my $target = DBI->connect("dbi:Firebird:db=$target_db;ib_charset=UTF8", 'SYSDBA', '',
                          { RaiseError => 1, AutoCommit => 0 });
my $read = $source->prepare("SELECT * FROM $table");
$read->execute;
my $columns = $read->{NUM_OF_FIELDS};
my $write = $target->prepare("INSERT INTO \"$table\" VALUES(" . join(', ', ('?') x $columns) . ")");
my $rows = 0;
while (my $row = $read->fetchrow_arrayref) {
    $write->execute(@$row);
    ++$rows;
}
$target->commit;
print "rows=$rows\n";
