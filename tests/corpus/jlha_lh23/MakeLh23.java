// Writes FILE... into ARCHIVE with METHOD (-lh2- or -lh3-) through LHa for
// Java, then reads the archive back with it and fails unless every member
// comes out as it went in.
//   java -cp /usr/share/java/jlha.jar:. MakeLh23 METHOD ARCHIVE FILE...
import java.io.*;
import java.nio.file.*;
import java.util.*;
import jp.gr.java_conf.dangan.util.lha.*;

public class MakeLh23 {
    public static void main(String[] args) throws Exception {
        String method = args[0];
        List<String> names = Arrays.asList(args).subList(2, args.length);
        Date stamp = new Date(1700000000000L);  // fixed, so the archive is the same each time
        try (LhaOutputStream out = new LhaOutputStream(new FileOutputStream(args[1]))) {
            for (String name : names) {
                LhaHeader header = new LhaHeader(Paths.get(name).getFileName().toString(), stamp);
                header.setCompressMethod(method);
                out.putNextEntry(header);
                out.write(Files.readAllBytes(Paths.get(name)));
                out.closeEntry();
            }
        }
        try (LhaInputStream in = new LhaInputStream(new FileInputStream(args[1]))) {
            for (String name : names) {
                LhaHeader header = in.getNextEntry();
                if (header == null || !header.getCompressMethod().equals(method))
                    throw new IOException(name + ": not written with " + method);
                byte[] back = in.readAllBytes();
                if (!Arrays.equals(back, Files.readAllBytes(Paths.get(name))))
                    throw new IOException(name + ": does not read back as it went in");
            }
        }
    }
}
