require 'minitest/autorun'
require 'tmpdir'
require 'event_recorder'

# Where models come from, as a script sees it: the sample house, the city, and exchange files
# through HostSim.import and Sketchup.open_file. Each becomes the active model with
# onOpenModel; a failed import raises, names the file and leaves the active model as it was.
class TestSources < Minitest::Test
  BOX_OBJ = File.join(ENV.fetch('TWINLINK_SOURCE_DIR'), 'tests', 'fixtures', 'box.obj')

  def setup
    Sketchup.file_new
    @app = EventRecorder.new(:onOpenModel)
    Sketchup.add_observer(@app)
  end

  def teardown
    Sketchup.remove_observer(@app)
  end

  # Every face of the model, in its definitions as well.
  def faces_of(model)
    model.entities.grep(Sketchup::Face) + model.definitions.flat_map { |d| d.entities.grep(Sketchup::Face) }
  end

  def test_sample_house_opens_as_the_active_model
    house = HostSim.open_sample_house
    assert_same house, Sketchup.active_model
    assert_equal [[:onOpenModel, house]], @app.events
    assert_equal %w[Layer0 Walls Roof Windows Furniture Garden], house.layers.map(&:name)
    assert_equal 12, house.materials.length
    assert_equal 'korvan.wood.oak-natural',
                 house.materials['Oak Floor'].get_attribute('Korvan Material Settings', 'KorvanLibraryId')
    assert_equal %w[Overview Empty\ Rooms], house.pages.map(&:name)
    window = house.definitions['Window']
    assert window.behavior.cuts_opening?
    assert_equal 6, window.instances.length
    assert(window.instances.all? { |w| w.glued_to.is_a?(Sketchup::Face) })
    furniture = house.pages['Empty Rooms'].hidden_entities
    assert_equal 5, furniture.length
    assert(furniture.all? { |e| e.layer.name == 'Furniture' })
    refute house.modified?
  end

  def test_city_is_the_same_for_the_same_seed
    first = HostSim.open_city(5, 20_000)
    assert_same first, Sketchup.active_model
    second = HostSim.open_city(5, 20_000)
    refute_same first, second
    assert_equal [[:onOpenModel, first], [:onOpenModel, second]], @app.events
    assert_equal faces_of(first).length, faces_of(second).length
    assert_equal faces_of(first).first(50).map { |f| f.vertices.map { |v| v.position.to_a } },
                 faces_of(second).first(50).map { |f| f.vertices.map { |v| v.position.to_a } }
    assert_operator first.materials.length, :>=, 36
    assert_raises(ArgumentError) { HostSim.open_city(5, 10) }
    assert_raises(ArgumentError) { HostSim.open_city(-1, 20_000) }
    assert_same second, Sketchup.active_model
  end

  def test_import_and_open_file_open_an_obj_with_its_material
    model = HostSim.import(BOX_OBJ)
    assert_same model, Sketchup.active_model
    faces = faces_of(model)
    assert_equal 6, faces.length
    assert(faces.all? { |f| f.vertices.length == 4 && f.material.name == 'Red' })
    red = model.materials['Red']
    assert_equal [204, 26, 26], [red.color.red, red.color.green, red.color.blue]
    assert_in_delta 0.5, red.alpha, 1e-9
    # 2 m tall in the file's y, which is z here, in inches.
    assert_in_delta 78.7402, faces.map { |f| f.vertices.map { |v| v.position.z }.max }.max, 1e-3

    assert_equal true, Sketchup.open_file(BOX_OBJ)
    refute_same model, Sketchup.active_model
    assert_equal 6, faces_of(Sketchup.active_model).length
    assert_equal [[:onOpenModel, model], [:onOpenModel, Sketchup.active_model]], @app.events
  end

  def test_failed_imports_raise_name_the_file_and_keep_the_active_model
    before = Sketchup.active_model
    Dir.mktmpdir do |dir|
      missing = File.join(dir, 'missing.dae')
      error = assert_raises(IOError) { HostSim.import(missing) }
      assert_equal "Cannot import '#{missing}': no such file", error.message
      assert_raises(IOError) { Sketchup.open_file(missing) }

      broken = File.join(dir, 'broken.gltf')
      File.write(broken, '{ "asset": { "version": "2.0" }, broken')
      error = assert_raises(RuntimeError) { Sketchup.open_file(broken) }
      assert_match(/\ACannot import '#{Regexp.escape(broken)}': \S/, error.message)

      points = File.join(dir, 'points.obj')
      File.write(points, "v 0 0 0\nv 1 0 0\np 1\np 2\n")
      error = assert_raises(RuntimeError) { HostSim.import(points) }
      assert_equal "Cannot import '#{points}': the file holds no faces", error.message
    end
    assert_same before, Sketchup.active_model
    assert_empty @app.events
  end
end
